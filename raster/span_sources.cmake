set(RASTER_SPAN_SOURCES
  span_filler.cpp
  span_texture.cpp
  span_perspective.cpp
  span_untextured_avx2.cpp
  span_textured_avx2.cpp
  span_perspective_avx2.cpp
)
# Only these are built for AVX2 (see raster/CMakeLists.txt); the selection functions call them
# once the CPU reports AVX2.
set(RASTER_SPAN_AVX2_SOURCES
  span_untextured_avx2.cpp
  span_textured_avx2.cpp
  span_perspective_avx2.cpp
)
