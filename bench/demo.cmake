add_project_bench(demo_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/demo_bench.cpp DEPENDS app)
target_compile_definitions(demo_bench PRIVATE SHOWPLAYER_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(demo_bench demo)
