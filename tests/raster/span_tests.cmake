set(RASTER_SPAN_TESTS
  span_test.cpp
)
