#pragma once
// Puzzles as the puzzle designers' program saves them: XML, gzip-compressed in .xmpuzzle files
// (plain XML is read too). Only what the engine can count is taken: a grid of cubes, a target
// of fixed cells and pieces in fixed numbers; anything else is refused in one line naming the
// feature. Read only where the build has zlib and expat (XmPuzzleSupported).
//
//   <puzzle><gridType type="0"/>
//    <shapes><voxel x=".." y=".." z=".." name="..">#_#...</voxel> ...</shapes>
//    <problems><problem name="..">
//      <shapes><shape id=".." count=".."/> ...</shapes><result id=".."/>
//    </problem> ...</problems></puzzle>
// A voxel's text has x*y*z cells, x fastest, then y, then z: '#' filled, '_' empty, '+' a
// variable cell, each optionally followed by a colour number.

#include <cstddef>
#include <string>
#include <string_view>

#include "general/input/puzzle_file.h"

namespace cubepack::general {

// A stranger's file may be small and expand a thousandfold: this is where reading stops.
inline constexpr std::size_t kMaxXmPuzzleBytes = std::size_t{16} << 20;
// A voxel grid may name no more cells than this, and its text have no more bytes (room for
// every cell of the largest grid with a colour number and a space each).
inline constexpr long long kMaxVoxelCells = 1 << 20;
inline constexpr std::size_t kMaxVoxelTextBytes = std::size_t{4} << 20;
// A problem's name, which becomes the puzzle's, has at most this many bytes, as in a text file.
inline constexpr std::size_t kMaxProblemNameBytes = 4096;

struct XmPuzzleRead {
  PuzzleText puzzle;
  std::string error;  // one line without the file's name; empty when the puzzle is good
};

// True when this build reads .xmpuzzle files.
bool XmPuzzleSupported();

// True for the names the reader takes: ending in .xmpuzzle or .xml, in any letter case.
bool IsXmPuzzleName(std::string_view path);

// The puzzle of the problem named `problem` (the first problem when empty) of the file at
// `path`, compressed or not.
XmPuzzleRead ReadXmPuzzle(const std::string& path, const std::string& problem);

// The same from the file's bytes, uncompressed. A document that declares entities is refused:
// a few hundred bytes of them can expand to gigabytes.
XmPuzzleRead ParseXmPuzzle(std::string_view xml, const std::string& problem);

// The same from the file's bytes, gzip-compressed (one or more members) or not.
XmPuzzleRead ParseXmPuzzleBytes(std::string_view bytes, const std::string& problem);

// True when `bytes` look like such a file rather than the text format: gzip's magic number, or
// XML's '<' first after blanks (and a byte order mark).
bool LooksLikeXmPuzzle(std::string_view bytes);

}  // namespace cubepack::general
