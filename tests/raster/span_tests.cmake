set(RASTER_SPAN_TESTS
  span_filler_test.cpp
  span_member_test.cpp
)
