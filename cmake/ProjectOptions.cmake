# Compiler settings shared by every target of the project.

add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wconversion -Wdouble-promotion -Wimplicit-fallthrough
  -Wnon-virtual-dtor -Wsuggest-override -Werror
  # Floating results (and so golden images) must not depend on the optimiser fusing operations.
  -ffp-contract=off
  # Nothing here reads errno or floating-point exception flags: sqrt compiles to one instruction
  # and selects between floats to packed compares, so per-point loops run in packed lanes. The
  # computed values are the same.
  -fno-math-errno -fno-trapping-math)

# GCC 12 at -O3 reports std::string concatenations of the libstdc++ headers as overlapping
# copies (a known false positive of -Wrestrict in that release); our code has no restrict use.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(project_options INTERFACE -Wno-restrict)
endif()

if(SHOWPLAYER_SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

if(SHOWPLAYER_FUZZ)
  # Coverage feedback from every library, not only from the fuzz targets' own code; the usual
  # fuzzing macro lowers size limits (a picture of 8192 x 8192 takes seconds under ASan).
  target_compile_options(project_options INTERFACE -fsanitize=fuzzer-no-link)
  target_compile_definitions(project_options INTERFACE FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
endif()

# add_project_library(name SOURCES... DEPENDS...): one folder, one static library.
function(add_project_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;SYSTEM_DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC project_options ${ARG_DEPENDS} ${ARG_SYSTEM_DEPENDS})
endfunction()
