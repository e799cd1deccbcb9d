add_project_bench(fx_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fx_effects.cpp DEPENDS fx)
