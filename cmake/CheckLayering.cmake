# Fails, naming every offending file, when a file reaches up into the shell
# or the shared floor reaches into a subsystem:
#  - only src/app and its own tests and benchmarks include "app/...";
#  - src/common includes only "common/..." of the project's headers.
# Run as: cmake -DROOT=<checkout> -P cmake/CheckLayering.cmake
if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<checkout> -P CheckLayering.cmake")
endif()
set(_bad "")
foreach(top src tests bench)
  file(GLOB_RECURSE _files RELATIVE ${ROOT} ${ROOT}/${top}/*.h ${ROOT}/${top}/*.cpp)
  foreach(f ${_files})
    file(STRINGS ${ROOT}/${f} _incs REGEX "^#include \"[a-z0-9_]+/")
    foreach(line ${_incs})
      string(REGEX REPLACE "^#include \"([a-z0-9_]+)/.*" "\\1" dir "${line}")
      if(dir STREQUAL "app" AND NOT f MATCHES "^(src|tests|bench)/app/")
        list(APPEND _bad "${f}: ${line} (only src/app and its tests may include app/)")
      elseif(f MATCHES "^src/common/" AND NOT dir STREQUAL "common")
        list(APPEND _bad "${f}: ${line} (src/common includes only common/)")
      endif()
    endforeach()
  endforeach()
endforeach()
if(_bad)
  list(JOIN _bad "\n  " _text)
  message(FATAL_ERROR "Includes against the layering:\n  ${_text}")
endif()
