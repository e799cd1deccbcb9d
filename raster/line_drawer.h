#pragma once
// One-pixel lines with a depth test: the line items of meshes and shapes.

#include <cstdint>

#include "raster/poly_filler.h"

// An end of a line on the screen: pixel x and y (pixel centres at integers) and w = 1/z.
struct LineEnd {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
};

// How a line's colour meets the destination: replaced, added or subtracted per byte, saturated.
enum class LineBlend : uint8_t { kReplace, kAdd, kSubtract };

// Draws the segment a-b in `color` onto `dest` and returns the number of pixels written.
//
// The ends are rounded to their nearest pixels (x + 0.5 floored) and both are drawn; the pixels
// between follow Bresenham's integer error term, stepping once per pixel along the major axis, so
// the same ends always give the same pixels whichever end comes first in x. The caller clips in
// camera space, so the ends lie on the screen; an end off it is moved to the nearest border pixel,
// and a non-finite end draws nothing, so nothing outside the image is ever touched.
//
// With a depth buffer of the destination's size, 1/z is stepped linearly in 0.32 fixed point
// from end to end (1/z is linear along a projected segment) and a pixel is drawn when its depth is
// >= the stored word, as for polygons. A line's depth is raised by 1/64 of itself: an edge drawn
// over its own face lies up to half a pixel off the face's sample points, and on a face seen at
// a grazing angle (a box's side, 1/z changing by 2 % a pixel) the face there is that much nearer;
// without the margin the edge would lose to its own face. Lines never store their depth: they are
// drawn after the opaque faces, and a one-pixel line that stored its depth would cut holes into
// transparent faces and other lines along the same edge whose own rounding puts them a few units
// behind it.
int drawLine(CImage32& dest, const ZBuffer* pZBuffer, LineEnd a, LineEnd b, uint32_t color,
             LineBlend blend);
