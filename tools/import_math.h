#pragma once
// The axis conversion of imported models. Source files (glTF, OBJ and what the import library
// gives) are right-handed with y up and a camera looking along -z; the scene is x right, y up,
// looking along +z, left-handed. Negating z maps one onto the other without mirroring the picture:
// a point (x, y, z) becomes (x, y, -z), and a source matrix M (column vectors, p' = M p) becomes
// S M S with S = diag(1, 1, -1), transposed for the scene's row vectors (p' = p M).

namespace ImportMath {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

struct Quat {
  double x = 0, y = 0, z = 0, w = 1;
};

// An angle in radians about an axis: the rotation chunks and keys of a scene.
struct AngleAxis {
  double angle = 0;
  Vec3 axis{0, 0, 1};
};

// The parts of a scene local matrix in the form scaling(scale) * Q(rotation) *
// translation(position).
struct Decomposed {
  Vec3 position;
  Vec3 scale{1, 1, 1};
  AngleAxis rotation;
};

// A source point or direction in scene space (0 - z: a zero stays +0).
inline Vec3 toScene(const Vec3& source) {
  return {source.x, source.y, 0.0 - source.z};
}

// The shortest angle and unit axis of a quaternion (normalised first); the identity gives angle
// 0 about (0, 0, 1).
AngleAxis toAngleAxis(const Quat& q);

// The scene quaternion of a scene row-vector rotation matrix (rows 0 to 2, three columns each).
Quat quaternionOf(const double (&rotation)[3][3]);

// The scene transform of a source local matrix, m[row][column] with column vectors (the
// translation in column 3). A mirroring matrix (negative determinant) gets a negative x scale.
// Returns false, and the identity, when the matrix holds values that are not finite.
bool decompose(const double (&m)[4][4], Decomposed& out);

// The scene matrix of a source matrix m[row][column] (column vectors), as a scene file stores it:
// rows 0 to 3 of transpose(S M S), three elements each, the translation in row 3. False when it
// holds values that are not finite.
bool toSceneMatrix(const double (&m)[4][4], double (&out)[12]);

}  // namespace ImportMath
