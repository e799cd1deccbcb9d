add_project_bench(export_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/export_bench.cpp DEPENDS app)
