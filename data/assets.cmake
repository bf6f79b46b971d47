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

# Every icon is a classic 16-colour icon with a 32x32 and a 16x16 image,
# written by mkicon from two PPM images in which magenta is transparent.
set(TRANSPARENT "#FF00FF")

# Icon from two hand-drawn XPM pixel maps, art/icons/<art>32.xpm and <art>16.xpm.
function(wb_pixel_icon art out)
  set(ppm32 ${ASSET_WORK}/${art}32.ppm)
  set(ppm16 ${ASSET_WORK}/${art}16.ppm)
  add_custom_command(OUTPUT ${ASSET_DIR}/${out}
    COMMAND ${WB_CONVERT} ${ART}/icons/${art}32.xpm -background ${TRANSPARENT} -flatten -depth 8 ppm:${ppm32}
    COMMAND ${WB_CONVERT} ${ART}/icons/${art}16.xpm -background ${TRANSPARENT} -flatten -depth 8 ppm:${ppm16}
    COMMAND ${WINE} $<TARGET_FILE:mkicon> ${ASSET_DIR}/${out} ${ppm32} ${ppm16}
    COMMAND ${CMAKE_COMMAND} -DICON=${ASSET_DIR}/${out} -DSIZE=1078 -P ${ART}/checkicon.cmake
    DEPENDS ${ART}/icons/${art}32.xpm ${ART}/icons/${art}16.xpm ${ART}/checkicon.cmake mkicon
    COMMENT "Drawing icon ${out}"
    VERBATIM)
  set(ASSET_OUTPUTS ${ASSET_OUTPUTS} ${ASSET_DIR}/${out} PARENT_SCOPE)
endfunction()

# Language icon: a flag drawn by ImageMagick on a 30x18 field (white unless
# painted over), framed in dark grey and centred on a transparent square. The
# small image samples the same field at 14x9, so no colours are blended.
function(wb_flag long short)
  set(ppm32 ${ASSET_WORK}/${short}32.ppm)
  set(ppm16 ${ASSET_WORK}/${short}16.ppm)
  set(frame -bordercolor "#404040" -border 1 -background ${TRANSPARENT} -gravity center)
  add_custom_command(OUTPUT ${ASSET_DIR}/${long}.ico ${ASSET_DIR}/${short}.ico
    COMMAND ${WB_CONVERT} -size 30x18 xc:white ${ARGN}
      ( +clone -sample 14x9 ${frame} -extent 16x16 -depth 8 -write ppm:${ppm16} +delete )
      ${frame} -extent 32x32 -depth 8 ppm:${ppm32}
    COMMAND ${WINE} $<TARGET_FILE:mkicon> ${ASSET_DIR}/${long}.ico ${ppm32} ${ppm16}
    COMMAND ${CMAKE_COMMAND} -E copy ${ASSET_DIR}/${long}.ico ${ASSET_DIR}/${short}.ico
    DEPENDS mkicon ${CMAKE_CURRENT_LIST_FILE}
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
# DATA 13, which must stay exactly 1078 bytes).
wb_pixel_icon(book wboek.ico)
wb_pixel_icon(install install.ico)
wb_pixel_icon(newbook newbook.ico)

# Logo of the main window: 24-bit uncompressed BMP with a plain BITMAPINFOHEADER.
# Its top-left colour (magenta) is the transparent one, so the art gets hard
# edges there: half-transparent pixels would leave a magenta fringe.
add_custom_command(OUTPUT ${ASSET_DIR}/logo.bmp
  COMMAND ${WB_CONVERT} -background none mvg:${ART}/logo.mvg
    -channel A -threshold 50% +channel -background ${TRANSPARENT} -flatten
    -type TrueColor -depth 8 BMP3:${ASSET_DIR}/logo.bmp
  DEPENDS ${ART}/logo.mvg
  COMMENT "Drawing logo.bmp"
  VERBATIM)
list(APPEND ASSET_OUTPUTS ${ASSET_DIR}/logo.bmp)

add_custom_command(OUTPUT ${ASSET_DIR}/dict.avi
  COMMAND ${CMAKE_COMMAND} -E env CONVERT=${WB_CONVERT} FFMPEG=${WB_FFMPEG}
    sh ${ART}/dict-anim.sh ${ASSET_DIR}/dict.avi ${ASSET_WORK}/frames
  DEPENDS ${ART}/dict-anim.sh
  COMMENT "Drawing dict.avi"
  VERBATIM)
list(APPEND ASSET_OUTPUTS ${ASSET_DIR}/dict.avi)

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
