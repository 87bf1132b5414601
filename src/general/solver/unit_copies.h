#pragma once
// The copies an orbit unit (or a row of one) uses: n[0] of class c[0] and n[1] of class c[1]
// (n[1] is 0 for a unit of one class), taken from and given back to the copies left.

namespace cubepack::general {

// False, changing nothing, when the copies are not left.
template <class Count, class Unit>
bool TakeCopies(Count* left, const Unit& u) {
  if (left[u.c[0]] < u.n[0]) return false;
  left[u.c[0]] = static_cast<Count>(left[u.c[0]] - u.n[0]);
  if (left[u.c[1]] < u.n[1]) {
    left[u.c[0]] = static_cast<Count>(left[u.c[0]] + u.n[0]);
    return false;
  }
  left[u.c[1]] = static_cast<Count>(left[u.c[1]] - u.n[1]);
  return true;
}

template <class Count, class Unit>
void GiveCopies(Count* left, const Unit& u) {
  left[u.c[0]] = static_cast<Count>(left[u.c[0]] + u.n[0]);
  left[u.c[1]] = static_cast<Count>(left[u.c[1]] + u.n[1]);
}

}  // namespace cubepack::general
