# Puts the installer's small icon at OUT: the generated asset ASSET when the data
# build has made one, else a placeholder drawn here (a navy box with a white
# line and a green progress bar).
if(EXISTS "${ASSET}")
  file(COPY_FILE "${ASSET}" "${OUT}" ONLY_IF_DIFFERENT)
  return()
endif()
get_filename_component(dir "${OUT}" DIRECTORY)
set(placeholder "${dir}/placeholder.ico")
if(NOT EXISTS "${placeholder}")
  execute_process(
    COMMAND "${CONVERT}" -size 32x32 xc:none
            -fill "#000080" -draw "roundrectangle 1,3 30,28 4,4"
            -fill white -draw "rectangle 5,8 26,11"
            -fill "#008000" -draw "rectangle 5,18 20,23"
            -define icon:auto-resize=32,16 "${placeholder}"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Could not draw the placeholder installer icon with ${CONVERT}")
  endif()
endif()
file(COPY_FILE "${placeholder}" "${OUT}" ONLY_IF_DIFFERENT)
