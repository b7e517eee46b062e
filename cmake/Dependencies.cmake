# Third-party code, installed by tools/setup.sh from Debian's packages and built here for MinGW:
#  - TinyXML and minizip from their unpacked source packages under VELA_DEPS_DIR,
#  - zlib from libz-mingw-w64-dev, stb_image from libstb-dev, GoogleTest from /usr/src/googletest.
set(VELA_DEPS_DIR /opt/velamusic-deps CACHE PATH "Folder holding the unpacked source packages of TinyXML and minizip")

function(vela_find_source_dir out pattern marker)
  file(GLOB _dirs LIST_DIRECTORIES true ${VELA_DEPS_DIR}/${pattern})
  foreach(_d ${_dirs})
    if(EXISTS ${_d}/${marker})
      set(${out} ${_d} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "No ${pattern} source package with ${marker} under ${VELA_DEPS_DIR}: run tools/setup.sh")
endfunction()

# zlib
find_library(VELA_ZLIB_LIBRARY NAMES libz.a z REQUIRED)
find_path(VELA_ZLIB_INCLUDE zlib.h REQUIRED)
add_library(vela_zlib INTERFACE)
target_link_libraries(vela_zlib INTERFACE ${VELA_ZLIB_LIBRARY})
target_include_directories(vela_zlib SYSTEM INTERFACE ${VELA_ZLIB_INCLUDE})

# TinyXML
vela_find_source_dir(TINYXML_DIR "tinyxml-*" tinyxml.cpp)
add_library(vela_tinyxml STATIC
  ${TINYXML_DIR}/tinyxml.cpp ${TINYXML_DIR}/tinystr.cpp
  ${TINYXML_DIR}/tinyxmlerror.cpp ${TINYXML_DIR}/tinyxmlparser.cpp)
target_compile_definitions(vela_tinyxml PUBLIC TIXML_USE_STL)
target_include_directories(vela_tinyxml SYSTEM PUBLIC ${TINYXML_DIR})
target_compile_options(vela_tinyxml PRIVATE -w)

# minizip (the zip reader and writer over an I/O layer that we supply)
vela_find_source_dir(MINIZIP_DIR "minizip-*" unzip.c)
add_library(vela_minizip STATIC ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/unzip.c ${MINIZIP_DIR}/zip.c)
target_include_directories(vela_minizip SYSTEM PUBLIC ${MINIZIP_DIR})
target_compile_definitions(vela_minizip PUBLIC NOCRYPT NOUNCRYPT)
target_compile_options(vela_minizip PRIVATE -w)
target_link_libraries(vela_minizip PUBLIC vela_zlib)

# stb_image (header only; one translation unit of ours defines STB_IMAGE_IMPLEMENTATION)
find_path(VELA_STB_INCLUDE stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(vela_stb INTERFACE)
target_include_directories(vela_stb SYSTEM INTERFACE ${VELA_STB_INCLUDE})

# GoogleTest
if(VELA_BUILD_TESTS OR NOT DEFINED VELA_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
