set(RASTER_POLY_SOURCES
  poly_filler.cpp
  poly_drawers.cpp
  poly_textured.cpp
  poly_scene.cpp
  raster_material.cpp
  line_drawer.cpp
)
