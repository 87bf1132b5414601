#include "solver/check_sym.h"

namespace cubepack {

bool CheckSym(const Board& b) {
  // Flag combinations tx, ty, tz in counting order, without the two that turn nothing.
  for (int flags = 1; flags < 7; ++flags) {
    Board work = b;
    TurnBoard(work, (flags & 4) != 0, (flags & 2) != 0, (flags & 1) != 0);
    if (SameCells(work, b)) return true;
  }
  return false;
}

}  // namespace cubepack
