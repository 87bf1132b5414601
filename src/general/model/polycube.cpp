#include "general/model/polycube.h"

#include <algorithm>
#include <cstdlib>

namespace cubepack::general {

namespace {

// Every signed permutation matrix, split by its determinant.
std::vector<Turn> AllTurns(bool proper) {
  std::vector<Turn> out;
  std::array<int, 3> axis = {0, 1, 2};
  do {
    // A permutation's parity: odd ones swap handedness.
    int inversions = 0;
    for (int i = 0; i < 3; ++i)
      for (int j = i + 1; j < 3; ++j) inversions += axis[i] > axis[j];
    for (int signs = 0; signs < 8; ++signs) {
      const std::array<int, 3> sign = {signs & 1 ? -1 : 1, signs & 2 ? -1 : 1, signs & 4 ? -1 : 1};
      const int det = (inversions % 2 ? -1 : 1) * sign[0] * sign[1] * sign[2];
      if ((det == 1) == proper) out.push_back({axis, sign, proper});
    }
  } while (std::next_permutation(axis.begin(), axis.end()));
  return out;
}

}  // namespace

const std::vector<Turn>& Rotations() {
  static const std::vector<Turn> rotations = AllTurns(true);
  return rotations;
}

const std::vector<Turn>& RotationsAndReflections() {
  static const std::vector<Turn> all = [] {
    std::vector<Turn> v = AllTurns(true);
    const std::vector<Turn> mirrors = AllTurns(false);
    v.insert(v.end(), mirrors.begin(), mirrors.end());
    return v;
  }();
  return all;
}

Point Apply(const Turn& t, Point p) {
  const int c[3] = {p.x, p.y, p.z};
  return {t.sign[0] * c[t.axis[0]], t.sign[1] * c[t.axis[1]], t.sign[2] * c[t.axis[2]]};
}

Shape Normalised(std::vector<Point> points) {
  if (points.empty()) return points;
  Point low = points[0];
  for (const Point& p : points) {
    low.x = std::min(low.x, p.x);
    low.y = std::min(low.y, p.y);
    low.z = std::min(low.z, p.z);
  }
  for (Point& p : points) p = {p.x - low.x, p.y - low.y, p.z - low.z};
  std::sort(points.begin(), points.end());
  return points;
}

Shape Turned(const Shape& s, const Turn& t) {
  std::vector<Point> out;
  out.reserve(s.size());
  for (const Point& p : s) out.push_back(Apply(t, p));
  return Normalised(std::move(out));
}

Shape CanonicalForm(const Shape& s) {
  Shape best;
  for (const Turn& t : Rotations()) {
    Shape turned = Turned(s, t);
    if (best.empty() || turned < best) best = std::move(turned);
  }
  return best;
}

std::vector<Shape> DistinctRotations(const Shape& s) {
  std::vector<Shape> out;
  for (const Turn& t : Rotations()) {
    Shape turned = Turned(s, t);
    if (std::find(out.begin(), out.end(), turned) == out.end()) out.push_back(std::move(turned));
  }
  return out;
}

Shape MirrorCanonicalForm(const Shape& s) {
  return CanonicalForm(Turned(s, Turn{{0, 1, 2}, {-1, 1, 1}, false}));
}

int FlatAxis(const std::vector<Point>& points) {
  for (int axis = 2; axis >= 0; --axis)
    if (std::all_of(points.begin(), points.end(), [&](const Point& p) {
          return Coordinate(p, axis) == Coordinate(points[0], axis);
        }))
      return axis;
  return -1;
}

bool FaceConnected(const Shape& s) {
  if (s.empty()) return true;
  std::vector<char> reached(s.size(), 0);
  std::vector<std::size_t> frontier = {0};
  reached[0] = 1;
  std::size_t count = 1;
  while (!frontier.empty()) {
    const Point p = s[frontier.back()];
    frontier.pop_back();
    for (std::size_t j = 0; j < s.size(); ++j) {
      const Point q = s[j];
      const int apart = std::abs(p.x - q.x) + std::abs(p.y - q.y) + std::abs(p.z - q.z);
      if (reached[j] || apart != 1) continue;
      reached[j] = 1;
      ++count;
      frontier.push_back(j);
    }
  }
  return count == s.size();
}

}  // namespace cubepack::general
