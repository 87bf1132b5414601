#pragma once
// The disassembly as its definition reads, with nothing made fast: gaps over every pair of
// cubes, groups grown piece by piece, states in a std::set, parts searched by recursion. The
// engine's (gaps from a grid, states hashed, closures on bit masks) is held to it.

#include <cstdint>
#include <string>

#include "general/solver/disassembly.h"

namespace cubepack::testing {

// The level text, or "-" for an assembly that does not come apart; with `states`, the states
// its searches met (the start states and every state a move made that was new).
std::string BruteDisassemble(const general::DisassemblyInput& input,
                             std::uint64_t* states = nullptr);

}  // namespace cubepack::testing
