#pragma once

#include "builtin/model/board.h"

namespace cubepack::builtin {

// True when one of the three half turns of the box maps the board's playable cells onto
// themselves. The board is not changed.
bool CheckSym(const Board& b);

}  // namespace cubepack::builtin
