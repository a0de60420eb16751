# Project-wide compile settings shared by every target.

add_library(sandmere_options INTERFACE)
# Float sums are specified term by term; never fuse them into FMAs.
target_compile_options(sandmere_options INTERFACE -Wall -Wextra -ffp-contract=off)
target_compile_definitions(sandmere_options INTERFACE GL_GLEXT_PROTOTYPES)

if(SANDMERE_SANITIZE OR SANDMERE_FUZZ)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(sandmere_options INTERFACE ${_san})
  target_link_options(sandmere_options INTERFACE ${_san})
endif()
if(SANDMERE_FUZZ)
  # Everything is instrumented for coverage; only the fuzz targets link the fuzzer's main.
  target_compile_options(sandmere_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# sandmere_library(NAME DIR DEPS...): a static library from every source of one folder.
# Globbing keeps each subsystem folder self-describing: adding a file adds it to the library.
function(sandmere_library name dir)
  file(GLOB _sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(_sources)
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC sandmere_options ${ARGN})
  else()
    # A folder whose code has not landed yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE sandmere_options ${ARGN})
  endif()
endfunction()
