add_project_bench(blit_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/blit_ops.cpp DEPENDS image)
