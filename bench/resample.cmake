# The resampling blits against pixman's transformed composites of the same operations; pixman is
# linked here only, as the yardstick. Without libpixman-1-dev this benchmark is left out.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(PIXMAN QUIET IMPORTED_TARGET pixman-1)
endif()
if(NOT PIXMAN_FOUND)
  message(STATUS "pixman-1 not found: resample_bench is not built (tools/install-deps.sh)")
  return()
endif()
add_project_bench(resample_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/resample_ops.cpp
                  DEPENDS image PkgConfig::PIXMAN)
