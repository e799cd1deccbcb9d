set(RASTER_POLY_TESTS
  poly_test.cpp
  poly_golden_test.cpp
)
