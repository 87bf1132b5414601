#pragma once

#include "builtin/model/board.h"

namespace cubepack::builtin {

// True when every empty region (face-connected empty cells) of the board has a size the free
// pieces could fill: a multiple of five, one more while the six-cube piece is free, one less
// while the four-cube piece is free. Reads cells and the two special placed flags only.
bool CheckHoles(const Board& b);

}  // namespace cubepack::builtin
