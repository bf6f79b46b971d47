# The delivery media: build/medium/english and build/medium/nederlands.
if(TARGET setup AND TARGET wbtool)
  set(MEDIUM_DEPS setup wbtool data_files)
  foreach(t wordbook assets help_files)
    if(TARGET ${t})
      list(APPEND MEDIUM_DEPS ${t})
    endif()
  endforeach()
  file(GLOB_RECURSE MEDIUM_SOURCES CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/data/medium/* ${CMAKE_SOURCE_DIR}/data/charset/*)
  set(MEDIUM_STAMPS "")
  foreach(lang english nederlands)
    set(stamp ${CMAKE_BINARY_DIR}/medium/${lang}.stamp)
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${CMAKE_SOURCE_DIR}/tools/make-medium.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${lang}
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${MEDIUM_DEPS} ${MEDIUM_SOURCES} ${CMAKE_SOURCE_DIR}/tools/make-medium.sh
              $<TARGET_FILE:setup> $<TARGET_FILE:wbtool>
      COMMENT "Assembling the ${lang} medium")
    list(APPEND MEDIUM_STAMPS ${stamp})
  endforeach()
  add_custom_target(medium ALL DEPENDS ${MEDIUM_STAMPS})
endif()
