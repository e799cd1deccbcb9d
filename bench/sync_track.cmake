add_project_bench(sync_track_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sync_track_bench.cpp DEPENDS control)
