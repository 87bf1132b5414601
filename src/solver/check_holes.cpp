#include "solver/check_holes.h"

#include <array>

#include "model/catalogue.h"

namespace cubepack {

bool CheckHoles(const Board& b) {
  CellGrid work = b.cells;
  // Each grid cell is queued at most once, so the queue cannot overrun whatever the board.
  std::array<int, kGridSize> queue;
  const bool sixFree = b.placed[kSixCubePiece] == 0;
  const bool fourFree = b.placed[kFourCubePiece] == 0;
  constexpr std::array<int, 6> kNeighbours = {-1,           -kGridStrideZ, 1, -kGridStrideY,
                                              kGridStrideY, kGridStrideZ};

  for (int s = FirstEmptyGridCell(work, 0); s < kGridSize; s = FirstEmptyGridCell(work, s)) {
    // 1. Flood fill the region of s; border bytes stop it at the x and y faces.
    work[s] = 1;
    queue[0] = s;
    int size = 1;
    for (int head = 0; head < size; ++head) {
      const int cell = queue[head];
      for (int step : kNeighbours) {
        const int n = cell + step;
        if (n < 0 || n >= kGridSize || work[n] != 0) continue;
        work[n] = 1;
        queue[size++] = n;
      }
    }
    // 2. Judge its size.
    if (size < 4) return false;
    if (!fourFree && size < 5) return false;
    const int rest = size % 5;
    const bool fits = rest == 0 || (fourFree && rest == 4) || (sixFree && rest == 1);
    if (!fits) return false;
  }
  return true;
}

}  // namespace cubepack
