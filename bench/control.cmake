add_project_bench(control_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/control_bench.cpp DEPENDS control)
