add_project_bench(raster_poly_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/raster_poly_bench.cpp
                  DEPENDS raster)
