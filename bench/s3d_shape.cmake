add_project_bench(s3d_shape_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/s3d_shape_bench.cpp
                  DEPENDS s3d)
