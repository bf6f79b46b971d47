# The binary files of the delivery medium, drawn at build time from the
# readable recipes in data/art: icons, the logo, the about box animation and
# the practice sounds. Everything lands in ${CMAKE_BINARY_DIR}/assets.
set(ASSET_DIR ${CMAKE_BINARY_DIR}/assets)
set(ASSET_WORK ${CMAKE_CURRENT_BINARY_DIR}/asset-work)
set(ART ${CMAKE_CURRENT_SOURCE_DIR}/art)
set(ASSET_OUTPUTS "")

# Debian's ImageMagick, not whatever else answers to "convert" on the PATH.
find_program(WB_CONVERT NAMES convert PATHS /usr/bin NO_DEFAULT_PATH)
find_program(WB_CONVERT NAMES convert REQUIRED)
find_program(WB_FFMPEG NAMES ffmpeg REQUIRED)
find_program(WB_SOX NAMES sox REQUIRED)

file(MAKE_DIRECTORY ${ASSET_DIR} ${ASSET_WORK})

# Every icon carries the sizes the system asks for at 100 to 200 % scale and
# beyond, written by mkicon from PAM images (alpha 0 is transparent) and a
# PNG for 256. Images of at most 16 colours without partial transparency
# become classic 16-colour images, the others 32-bit with alpha; 32 comes
# first, the size a loader takes when asked for none.
set(ICON_SIZES 32 16 20 24 40 48 64 256)

# The image files <stem>-<size>.pam (.png for 256) of the sizes, for mkicon.
function(wb_icon_images var stem)
  set(images "")
  foreach(size ${ARGN})
    if(size EQUAL 256)
      list(APPEND images ${stem}-${size}.png)
    else()
      list(APPEND images ${stem}-${size}.pam)
    endif()
  endforeach()
  set(${var} ${images} PARENT_SCOPE)
endfunction()

# Icon from two hand-drawn XPM pixel maps, art/icons/<art>32.xpm and <art>16.xpm.
# Whole multiples of 32 are its pixels made larger (crisp); 20, 24, 40 and 48
# average the pixels of the nearest larger of those (-scale: area weights, no
# ringing round the outlines). SIZES: the sizes to carry, when not all;
# BYTES: the exact size the file must have.
function(wb_pixel_icon art out)
  cmake_parse_arguments(PARSE_ARGV 2 icon "" "BYTES" "SIZES")
  set(sizes ${ICON_SIZES})
  if(icon_SIZES)
    set(sizes ${icon_SIZES})
  endif()
  string(REPLACE ";" "," list "${sizes}")
  set(check -DSIZES=${list})
  if(icon_BYTES)
    list(APPEND check -DBYTES=${icon_BYTES})
  endif()
  set(w ${ASSET_WORK}/${art})
  wb_icon_images(images ${w} ${sizes})
  add_custom_command(OUTPUT ${ASSET_DIR}/${out}
    COMMAND ${WB_CONVERT} ${ART}/icons/${art}16.xpm -depth 8 -write pam:${w}-16.pam +delete
      ${ART}/icons/${art}32.xpm -depth 8
      ( +clone -scale 20x20 -write pam:${w}-20.pam +delete )
      ( +clone -scale 24x24 -write pam:${w}-24.pam +delete )
      ( +clone -sample 64x64 -write pam:${w}-64.pam
        ( +clone -scale 40x40 -write pam:${w}-40.pam +delete ) -scale 48x48 -write pam:${w}-48.pam +delete )
      ( +clone -sample 256x256 -write png32:${w}-256.png +delete )
      pam:${w}-32.pam
    COMMAND ${WINE} $<TARGET_FILE:mkicon> ${ASSET_DIR}/${out} ${images}
    COMMAND ${CMAKE_COMMAND} -DICON=${ASSET_DIR}/${out} ${check} -P ${ART}/checkicon.cmake
    DEPENDS ${ART}/icons/${art}32.xpm ${ART}/icons/${art}16.xpm ${ART}/checkicon.cmake mkicon
      ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Drawing icon ${out}"
    VERBATIM)
  set(ASSET_OUTPUTS ${ASSET_OUTPUTS} ${ASSET_DIR}/${out} PARENT_SCOPE)
endfunction()

# Language icon: a flag drawn by ImageMagick on a 30x18 field (white unless
# painted over), framed in dark grey and centred on a transparent square.
# The 16-pixel image samples the field at 14x8, so no colours are blended.
# Then the field is made eight times larger (its rectangles lie on whole
# pixels, so that is the flag drawn at 240x144): 32, 64 and 256 take it at 1,
# 2 and 8 times its size, crisp, in a frame as many pixels wide; 20, 24, 40
# and 48 average it down (-scale) to a field 2 pixels narrower than the icon.
function(wb_flag long short)
  set(w ${ASSET_WORK}/${short})
  set(fields 16:14x8:1 20:18x11:1 24:22x13:1 32:30x18:1 40:38x23:1 48:46x28:1 64:60x36:2 256:240x144:8)
  set(draw "")
  foreach(field ${fields})
    string(REPLACE ":" ";" field ${field})
    list(GET field 0 size)
    list(GET field 1 area)
    list(GET field 2 border)
    set(image pam:${w}-${size}.pam)
    if(size EQUAL 256)
      set(image png32:${w}-${size}.png)
    endif()
    set(resize -scale ${area}!)
    if(size EQUAL 16)
      set(resize -sample ${area}!)
    endif()
    list(APPEND draw ( +clone ${resize} -bordercolor "#404040" -border ${border} -background none
      -gravity center -extent ${size}x${size} -depth 8 -write ${image} +delete ))
    if(size EQUAL 16)
      list(APPEND draw -sample 800%)
    endif()
  endforeach()
  wb_icon_images(images ${w} ${ICON_SIZES})
  string(REPLACE ";" "," list "${ICON_SIZES}")
  add_custom_command(OUTPUT ${ASSET_DIR}/${long}.ico ${ASSET_DIR}/${short}.ico
    COMMAND ${WB_CONVERT} -size 30x18 xc:white ${ARGN} ${draw} null:
    COMMAND ${WINE} $<TARGET_FILE:mkicon> ${ASSET_DIR}/${long}.ico ${images}
    COMMAND ${CMAKE_COMMAND} -DICON=${ASSET_DIR}/${long}.ico -DSIZES=${list} -P ${ART}/checkicon.cmake
    COMMAND ${CMAKE_COMMAND} -E copy ${ASSET_DIR}/${long}.ico ${ASSET_DIR}/${short}.ico
    DEPENDS mkicon ${ART}/checkicon.cmake ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Drawing language icon ${long}.ico"
    VERBATIM)
  set(ASSET_OUTPUTS ${ASSET_OUTPUTS} ${ASSET_DIR}/${long}.ico ${ASSET_DIR}/${short}.ico PARENT_SCOPE)
endfunction()

wb_flag(english eng
  -fill "#CE1124" -draw "rectangle 13,0 16,17" -draw "rectangle 0,7 29,10")
wb_flag(nederlands ned
  -fill "#AE1C28" -draw "rectangle 0,0 29,5"
  -fill "#21468B" -draw "rectangle 0,12 29,17")
wb_flag(francais fra
  -fill "#0055A4" -draw "rectangle 0,0 9,17"
  -fill "#EF4135" -draw "rectangle 20,0 29,17")
wb_flag(deutsch deu
  -fill "#000000" -draw "rectangle 0,0 29,5"
  -fill "#DD0000" -draw "rectangle 0,6 29,11"
  -fill "#FFCE00" -draw "rectangle 0,12 29,17")
wb_flag(greek gre
  -fill "#0D5EAF" -draw "rectangle 0,0 29,1" -draw "rectangle 0,4 29,5"
  -draw "rectangle 0,8 29,9" -draw "rectangle 0,12 29,13" -draw "rectangle 0,16 29,17"
  -draw "rectangle 0,0 9,9"
  -fill white -draw "rectangle 4,0 5,9" -draw "rectangle 0,4 9,5")
wb_flag(polish pol
  -fill "#DC143C" -draw "rectangle 0,9 29,17")

# The program's icon (resource "wboekicon"), the installer's small icon
# ("installicon") and the icon copied for every new word book (resource
# DATA 13, which must stay exactly 1078 bytes: a 32 and a 16 image).
wb_pixel_icon(book wboek.ico)
wb_pixel_icon(install install.ico)
wb_pixel_icon(newbook newbook.ico SIZES 32 16 BYTES 1078)

# Logo of the main window: 24-bit uncompressed BMP with a plain BITMAPINFOHEADER,
# drawn for 96 dpi (logo.bmp) and 1.5 and 2 times as large for 144 and 192
# dpi (logo-144.bmp, logo-192.bmp, which the main window takes at those
# scales). ImageMagick draws vector art at -density / 96 times its size.
# Its top-left colour (magenta) is the transparent one, so the art gets hard
# edges there: half-transparent pixels would leave a magenta fringe.
set(TRANSPARENT "#FF00FF")
foreach(dpi 96 144 192)
  set(logo logo-${dpi}.bmp)
  if(dpi EQUAL 96)
    set(logo logo.bmp)
  endif()
  add_custom_command(OUTPUT ${ASSET_DIR}/${logo}
    COMMAND ${WB_CONVERT} -density ${dpi} -background none mvg:${ART}/logo.mvg -density 0
      -channel A -threshold 50% +channel -background ${TRANSPARENT} -flatten
      -type TrueColor -depth 8 BMP3:${ASSET_DIR}/${logo}
    DEPENDS ${ART}/logo.mvg
    COMMENT "Drawing ${logo}"
    VERBATIM)
  list(APPEND ASSET_OUTPUTS ${ASSET_DIR}/${logo})
endforeach()

# The about box animation, likewise for each scale: dict.avi (144x108),
# dict-144.avi and dict-192.avi.
foreach(dpi 96 144 192)
  set(film dict-${dpi}.avi)
  if(dpi EQUAL 96)
    set(film dict.avi)
  endif()
  add_custom_command(OUTPUT ${ASSET_DIR}/${film}
    COMMAND ${CMAKE_COMMAND} -E env CONVERT=${WB_CONVERT} FFMPEG=${WB_FFMPEG}
      sh ${ART}/dict-anim.sh ${ASSET_DIR}/${film} ${ASSET_WORK}/frames-${dpi} ${dpi}
    DEPENDS ${ART}/dict-anim.sh
    COMMENT "Drawing ${film}"
    VERBATIM)
  list(APPEND ASSET_OUTPUTS ${ASSET_DIR}/${film})
endforeach()

# Practice sounds: 16-bit mono PCM at 22050 Hz. -R keeps the output the same
# from build to build (pluck and dither draw random numbers).
set(SOX ${WB_SOX} -R -V1 -n -r 22050 -c 1 -b 16 -e signed-integer)
add_custom_command(OUTPUT ${ASSET_DIR}/right.wav ${ASSET_DIR}/wrong.wav ${ASSET_DIR}/skipped.wav
  # a rising fourth, two plucked notes
  COMMAND ${SOX} ${ASSET_DIR}/right.wav
    synth 0.11 pluck G5 fade 0 0.11 0.02 vol 0.7 : synth 0.45 pluck C6 fade 0 0.45 0.3 vol 0.7
  # a low, dull buzz
  COMMAND ${SOX} ${ASSET_DIR}/wrong.wav
    synth 0.45 square 98 vol 0.35 lowpass 1200 fade 0.01 0.45 0.08
  # a short neutral blip
  COMMAND ${SOX} ${ASSET_DIR}/skipped.wav
    synth 0.08 sine 660 fade 0.005 0.08 0.04 vol 0.6
  DEPENDS ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Making the practice sounds"
  VERBATIM)
list(APPEND ASSET_OUTPUTS ${ASSET_DIR}/right.wav ${ASSET_DIR}/wrong.wav ${ASSET_DIR}/skipped.wav)

add_custom_target(assets ALL DEPENDS ${ASSET_OUTPUTS})
