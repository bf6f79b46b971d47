# cmake -DICON=file.ico -DSIZE=bytes -P checkicon.cmake
# Fails (and removes the file, so the next build makes it again) unless the
# icon has the exact byte size and holds a 32x32 and a 16x16 image of 4 bits.
file(SIZE "${ICON}" size)
file(READ "${ICON}" head LIMIT 38 HEX)
# ICONDIR with two entries: 32x32 and 16x16, 16 colours, 1 plane, 4 bits each.
set(expected "000001000200" "2020100001000400" "1010100001000400")
string(SUBSTRING "${head}" 0 12 dir)
string(SUBSTRING "${head}" 12 16 first)
string(SUBSTRING "${head}" 44 16 second)
if(NOT size EQUAL SIZE OR NOT "${dir};${first};${second}" STREQUAL "${expected}")
  file(REMOVE "${ICON}")
  message(FATAL_ERROR "${ICON}: ${size} bytes, header ${head}; want ${SIZE} bytes, "
    "two 16-colour images 32x32 and 16x16")
endif()
