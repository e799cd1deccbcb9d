add_project_bench(sync_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sync_bench.cpp
                  ${PROJECT_SOURCE_DIR}/tests/app/sync_fake_editor.cpp DEPENDS app)
