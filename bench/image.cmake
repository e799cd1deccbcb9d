add_project_bench(image_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/image_ops.cpp DEPENDS image)
