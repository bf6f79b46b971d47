# The help: one HTML Help file per language, compiled from data/help/<language>/
# (the .hhp there names the file), into ${CMAKE_BINARY_DIR}/help/. The plain
# pages go to help/<name of the help file without .chm>/ beside it.
find_program(CHMCMD NAMES chmcmd chmcmd-3.2.2 REQUIRED)

set(HELP_DIR ${CMAKE_CURRENT_SOURCE_DIR}/help)
set(HELP_SHARED ${HELP_DIR}/help.css)
set(HELP_OUTPUTS "")
file(GLOB HELP_PROJECTS CONFIGURE_DEPENDS ${HELP_DIR}/*/*.hhp)
foreach(hhp ${HELP_PROJECTS})
  get_filename_component(srcdir ${hhp} DIRECTORY)
  get_filename_component(lang ${srcdir} NAME)
  file(STRINGS ${hhp} compiled REGEX "^Compiled file=")
  string(REGEX REPLACE "^Compiled file=[ \t]*" "" chm "${compiled}")
  string(STRIP "${chm}" chm)
  get_filename_component(stem ${chm} NAME_WE)
  # The .hhp is re-read when it changes (it names the output).
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${hhp})
  file(GLOB sources CONFIGURE_DEPENDS ${srcdir}/*)
  set(out ${CMAKE_BINARY_DIR}/help/${chm})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DCHMCMD=${CHMCMD} -DPROJECT=${hhp} "-DSHARED=${HELP_SHARED}"
            -DSTAGE=${CMAKE_CURRENT_BINARY_DIR}/help-stage/${lang} -DOUTPUT=${out}
            -DPAGES=${CMAKE_BINARY_DIR}/help/${stem} -P ${HELP_DIR}/compile.cmake
    DEPENDS ${sources} ${HELP_SHARED} ${HELP_DIR}/compile.cmake
    COMMENT "Compiling help ${chm}")
  list(APPEND HELP_OUTPUTS ${out})
endforeach()

# "help" itself is reserved: the Makefile generators have a target of that name.
add_custom_target(help_files ALL DEPENDS ${HELP_OUTPUTS})
