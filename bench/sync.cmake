add_project_bench(sync_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sync_bench.cpp DEPENDS app)
