#include "builtin/solver/check_sym.h"

namespace cubepack::builtin {

bool CheckSym(const Board& b) {
  for (const BoxTurn turn : {BoxTurn::kHalfX, BoxTurn::kHalfY, BoxTurn::kHalfZ}) {
    Board work = b;
    TurnBoard(work, turn);
    if (SameCells(work, b)) return true;
  }
  return false;
}

}  // namespace cubepack::builtin
