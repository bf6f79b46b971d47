# Builds one HTML Help file: checks the sources, compiles a copy of them with
# chmcmd, and also lays the plain pages out for systems whose help viewer
# can't show HTML.  chmcmd only warns about most faults (a missing page even
# exits 0), so everything it can get wrong is checked here and is fatal.
#
#   cmake -DCHMCMD=... -DPROJECT=<lang>/<name>.hhp -DSHARED=<files for all languages>
#         -DSTAGE=<scratch dir> -DOUTPUT=<file.chm> -DPAGES=<dir> -P compile.cmake

cmake_minimum_required(VERSION 3.20)

function(fail msg)
  message(FATAL_ERROR "help ${PROJECT}: ${msg}")
endfunction()

get_filename_component(srcdir "${PROJECT}" DIRECTORY)
get_filename_component(projname "${PROJECT}" NAME)
file(REMOVE "${OUTPUT}")
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(GLOB own "${srcdir}/*")
file(COPY ${own} ${SHARED} DESTINATION "${STAGE}")

# The project file: options and the list of files.
file(STRINGS "${PROJECT}" lines)
set(section "")
set(listed "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^\\[(.+)\\]$")
    set(section "${CMAKE_MATCH_1}")
  elseif(section STREQUAL "OPTIONS" AND line MATCHES "^([^=]+)=(.*)$")
    string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_1}" key)
    set(opt_${key} "${CMAKE_MATCH_2}")
  elseif(section STREQUAL "FILES" AND NOT line STREQUAL "")
    list(APPEND listed "${line}")
  endif()
endforeach()
foreach(key Compiled_file Contents_file Index_file Default_topic)
  if(NOT opt_${key})
    fail("no '${key}' option")
  endif()
endforeach()
foreach(f IN LISTS listed opt_Contents_file opt_Index_file)
  if(NOT EXISTS "${STAGE}/${f}")
    fail("${f} is named but does not exist")
  endif()
endforeach()

# Every page must be compiled in, and every reference must lead somewhere.
file(GLOB pages RELATIVE "${STAGE}" "${STAGE}/*.htm")
foreach(p IN LISTS pages)
  if(NOT p IN_LIST listed)
    fail("${p} is missing from [FILES]")
  endif()
endforeach()
if(NOT opt_Default_topic IN_LIST listed)
  fail("default topic ${opt_Default_topic} is not in [FILES]")
endif()
foreach(f IN LISTS pages opt_Contents_file opt_Index_file)
  file(READ "${STAGE}/${f}" text)
  # Accents must be written as entities: the viewer reads raw bytes in the
  # code page of the help file's language, which need not be the editor's.
  if(text MATCHES "[^\t\r\n -~]")
    fail("${f} holds a byte outside printable ASCII; write it as an HTML entity")
  endif()
  string(REGEX MATCHALL "(href|src|name=\"Local\" value)=\"[^\"]*\"" refs "${text}")
  foreach(ref IN LISTS refs)
    string(REGEX REPLACE "^.*=\"([^\"#]*)[^\"]*\"$" "\\1" target "${ref}")
    if(target STREQUAL "" OR target MATCHES "^[a-z]+:")
      continue()
    endif()
    if(NOT target IN_LIST listed)
      fail("${f} refers to ${target}, which is not in [FILES]")
    endif()
  endforeach()
endforeach()

execute_process(COMMAND "${CHMCMD}" "${projname}"
  WORKING_DIRECTORY "${STAGE}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR "${out}${err}" MATCHES "Warning|[Ee]rror|[Ee]xception|Can't|Unable"
   OR NOT EXISTS "${STAGE}/${opt_Compiled_file}")
  fail("chmcmd failed (exit ${rc}):\n${out}${err}")
endif()

# The plain pages, with the index so that a keyword can still find its page.
file(REMOVE_RECURSE "${PAGES}")
file(MAKE_DIRECTORY "${PAGES}")
foreach(f IN LISTS listed opt_Contents_file opt_Index_file)
  file(COPY "${STAGE}/${f}" DESTINATION "${PAGES}")
endforeach()
file(RENAME "${STAGE}/${opt_Compiled_file}" "${OUTPUT}")
