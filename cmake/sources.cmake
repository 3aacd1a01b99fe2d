# Each subsystem folder lists its files in two groups: portable files (no Windows header; built
# natively too and unit-tested there) and the Win32 glue around them.
function(verdimo_sources)
  cmake_parse_arguments(ARG "" "" "PORTABLE;WIN32" ${ARGN})
  foreach(f ${ARG_PORTABLE})
    set_property(GLOBAL APPEND PROPERTY VERDIMO_PORTABLE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
  foreach(f ${ARG_WIN32})
    set_property(GLOBAL APPEND PROPERTY VERDIMO_WIN32_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
endfunction()
