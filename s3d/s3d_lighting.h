#pragma once
// Per-vertex lighting in camera space: how much light each vertex of a mesh receives from the
// lights it lists (or from a head-light at the camera when it lists none). One value per vertex,
// the "lightning" channel, in [0.001, 1] with lights.

#include <span>

#include "s3d/s3d_math.h"

class S3DCamera;
class S3DLight;

// Places the light for this frame: world and camera-space positions, and for aimed lights the
// target's and the direction matrix (from the light to its target, in camera space).
void placeLight(S3DLight& light, const S3DCamera& camera);

// The light one light gives a point p with normal n (camera space), its intensity included.
// Omni (1): n · L/d with L = p - P, d = |L| (at least 0.001), 0 when negative, faded linearly
// from the near to the far distance, 0 from far on. Spot (2): the same, then 0 from the falloff
// angle on and faded between hotspot and falloff. Directed (3): 1 faded by the distance along the
// light's axis, the normal unused.
float lightValue(const S3DLight& light, Vec3 p, Vec3 n);

// out[i] for every vertex: the first light's value, each further light adding its own, clamped to
// [0.001, 1] after every light. Without lights: n · p / max(|p|, 0.001), at least 0.001.
void lightVertices(std::span<const Vec3> positions, std::span<const Vec3> normals,
                   std::span<S3DLight* const> lights, std::span<float> out);
