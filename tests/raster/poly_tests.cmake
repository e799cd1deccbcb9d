set(RASTER_POLY_TESTS
  poly_filler_test.cpp
  poly_edge_test.cpp
  poly_golden_test.cpp
  poly_png.cpp
)

