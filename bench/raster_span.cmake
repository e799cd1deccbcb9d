add_project_bench(raster_span_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/raster_span_bench.cpp
                  DEPENDS raster)
