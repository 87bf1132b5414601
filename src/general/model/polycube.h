#pragma once
// Polycube shapes of any puzzle: cubes as integer points, the 24 rotations of space and their
// 24 mirror images, shapes moved against the origin and their canonical form up to rotation.

#include <array>
#include <cstdint>
#include <vector>

namespace cubepack::general {

struct Point {
  int x = 0, y = 0, z = 0;
  friend bool operator==(const Point&, const Point&) = default;
  friend auto operator<=>(const Point&, const Point&) = default;
};

using Shape = std::vector<Point>;  // sorted, moved against the origin, no point twice

// An orthogonal map of space: coordinate i of the image is sign[i] * coordinate axis[i].
struct Turn {
  std::array<int, 3> axis;
  std::array<int, 3> sign;
  bool proper;  // a rotation; false for a reflection
};

// The 24 rotations (the identity first), then, with mirrors, the 24 reflections.
const std::vector<Turn>& Rotations();
const std::vector<Turn>& RotationsAndReflections();

Point Apply(const Turn& t, Point p);

// Sorted and moved so that every coordinate's minimum is 0.
Shape Normalised(std::vector<Point> points);

// The shape turned by `t`, normalised.
Shape Turned(const Shape& s, const Turn& t);

// The least of the shape's 24 rotations (normalised): equal for shapes that a rotation maps
// onto one another.
Shape CanonicalForm(const Shape& s);

// Its distinct rotations, each once, in the order of Rotations().
std::vector<Shape> DistinctRotations(const Shape& s);

// The mirror image (x negated), in canonical form.
Shape MirrorCanonicalForm(const Shape& s);

inline int Coordinate(const Point& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// The axis along which every point has the same coordinate (z first, then y, then x), or -1:
// the normal of a flat target's plane.
int FlatAxis(const std::vector<Point>& points);

// True when every cube can be reached from every other through cubes that share a face. A
// puzzle file may give pieces whose cubes do not touch; the search's dead-end tests that
// reason about regions of empty cells hold only for connected pieces.
bool FaceConnected(const Shape& s);

}  // namespace cubepack::general
