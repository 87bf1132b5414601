#pragma once
// Puzzles as the puzzle designers' program saves them: XML, gzip-compressed in .xmpuzzle files
// (plain XML is read too). A problem's result shape is the target, each shape it uses one
// piece with its copies; a file the engine cannot count (a grid of other than cubes, sizes past
// its limits, numbers out of range) is refused in one line. Read only where the build has zlib
// and expat (XmPuzzleSupported).
//
//   <puzzle><gridType type="0"/>
//    <shapes><voxel x=".." y=".." z=".." name=".." weight="..">#_#...</voxel> ...</shapes>
//    <problems><problem name=".." maxHoles="..">
//      <shapes><shape id=".." count=".." group=".."/> <shape id=".." min=".." max="..">
//        <group group=".." count=".."/> ...</shape> ...</shapes>
//      <result id=".."/>
//      <colors><pair piece=".." result=".."/> ...</colors>
//    </problem> ...</problems></puzzle>
// A voxel's text has x*y*z cells, x fastest, then y, then z: '#' filled, '_' empty, '+' a
// variable cell, each optionally followed by a colour number (none or 0: plain). In the result
// a variable cell may stay empty (at most maxHoles of them, when given); in a piece it is a
// cube. A pair lets piece colour P+1 lie on result colour R+1 (the file counts them from 0,
// the voxels from 1). A use with only a min takes at least that many copies, as many as fit in
// the target; with only a max, up to that many. Two shapes drawn alike stay two pieces. A
// shape's weight (1 when not given) is its pieces'; a use's group lets all its copies be in that
// group, a <group> element `count` of them (cut to the copies); group 0 is none.

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
