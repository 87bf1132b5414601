// The puzzle designers' files: what is read from them, and the one line for every file that
// cannot be counted. The files are written here, compressed with zlib as the designers'
// program saves them.

#include "general/input/xmpuzzle_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if CUBEPACK_HAVE_XMPUZZLE
#include <zlib.h>
#endif

namespace cubepack::general {
namespace {

#if !CUBEPACK_HAVE_XMPUZZLE
TEST(XmPuzzle, ABuildWithoutTheLibrariesSaysSo) {
  EXPECT_FALSE(XmPuzzleSupported());
  EXPECT_EQ(ReadXmPuzzle("any.xmpuzzle", "").error.rfind("this build reads no .xmpuzzle", 0), 0u);
}
#else

// Shapes: a 2 x 2 x 1 box, an L of three cubes, one cube, a 3 x 2 x 1 box; the problems
// choose among them.
std::string Xml(const std::string& problems, const std::string& extraShapes = "",
                const std::string& grid = "0") {
  return R"(<?xml version="1.0"?>
<puzzle version="2">
 <gridType type=")" +
         grid + R"("/>
 <shapes>
  <voxel x="2" y="2" z="1" name="Box" type="0">####</voxel>
  <voxel x="2" y="2" z="1" name="L tri" type="0">##_#</voxel>
  <voxel x="1" y="1" z="1" name="U" type="0">#</voxel>
  <voxel x="3" y="2" z="1" name="Long" type="0">######</voxel>
)" + extraShapes +
         R"( </shapes>
 <problems>
)" + problems +
         R"( </problems>
</puzzle>
)";
}

const std::string kFirst = R"(  <problem name="first">
   <shapes><shape id="1" count="1"/><shape id="2" count="1"/></shapes>
   <result id="0"/>
  </problem>
)";
const std::string kCopies = R"(  <problem name="copies">
   <shapes><shape id="2" min="6" max="6"/></shapes>
   <result id="3"/>
  </problem>
)";

// A problem named p of the shapes given and result `result`.
std::string Problem(const std::string& shapes, const std::string& result = "0") {
  return "<problem name=\"p\"><shapes>" + shapes + "</shapes><result id=\"" + result +
         "\"/></problem>\n";
}

const std::string kPieces = R"(<shape id="1" count="1"/><shape id="2" count="1"/>)";

TEST(XmPuzzle, ReadsTheTargetThePiecesAndTheirCopies) {
  const XmPuzzleRead first = ParseXmPuzzle(Xml(kFirst + kCopies), "");
  ASSERT_EQ(first.error, "");
  EXPECT_EQ(first.puzzle.name, "first");
  EXPECT_EQ(first.puzzle.target, (std::vector<Point>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}));
  EXPECT_TRUE(first.puzzle.optional.empty());
  EXPECT_TRUE(first.puzzle.targetColours.empty());
  EXPECT_TRUE(first.puzzle.allowed.empty());
  EXPECT_EQ(first.puzzle.maxHoles, -1);
  EXPECT_FALSE(first.puzzle.shapesInterchangeable);
  ASSERT_EQ(first.puzzle.pieces.size(), 2u);
  EXPECT_EQ(first.puzzle.pieces[0].name, "L_tri");  // a name the text format takes
  EXPECT_EQ(first.puzzle.pieces[0].cubes, (std::vector<Point>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
  EXPECT_TRUE(first.puzzle.pieces[0].colours.empty());
  EXPECT_EQ(first.puzzle.pieces[1].name, "U");
  EXPECT_EQ(first.puzzle.pieces[1].minCopies, 1);
  EXPECT_EQ(first.puzzle.pieces[1].maxCopies, 1);

  // Another problem by name; a range whose ends agree is a count, and the copies one piece.
  const XmPuzzleRead copies = ParseXmPuzzle(Xml(kFirst + kCopies), "copies");
  ASSERT_EQ(copies.error, "");
  ASSERT_EQ(copies.puzzle.pieces.size(), 1u);
  EXPECT_EQ(copies.puzzle.pieces[0].name, "U");
  EXPECT_EQ(copies.puzzle.pieces[0].minCopies, 6);
  EXPECT_EQ(copies.puzzle.pieces[0].maxCopies, 6);
  EXPECT_EQ(copies.puzzle.target.size(), 6u);

  // A voxel text up to its limit; a name whose character references break the line is one line.
  const XmPuzzleRead spaced =
      ParseXmPuzzle(Xml(R"(<problem name="two&#10;lines"><shapes><shape id="2" count="1"/></shapes>
          <result id="4"/></problem>)",
                        "<voxel x=\"1\" y=\"1\" z=\"1\">" +
                            std::string(kMaxVoxelTextBytes - 1, ' ') + "#</voxel>"),
                    "");
  ASSERT_EQ(spaced.error, "");
  EXPECT_EQ(spaced.puzzle.name, "two lines");
}

// '+' in the result is a cell that may stay empty, in a piece a cube; colour numbers follow a
// cell's character, and a pair (counted from 0) lets a piece colour lie on a target colour.
TEST(XmPuzzle, ReadsVariableCellsColoursAndHoles) {
  const std::string shapes = R"(<voxel x="4" y="1" z="1">#1+2#0_7</voxel>
  <voxel x="2" y="1" z="1">#1+</voxel>
)";
  const std::string problem = R"(<pair piece="8" result="8"/>
  <problem name="holes" maxHoles="1"><shapes><shape id="5" count="1"/>
   <shape id="2" min="0" max="2"/></shapes><result id="4"/>
   <colors><pair piece="0" result="0"/><pair piece="0" result="0"/><pair piece="1" result="0"/>
   <more><pair piece="2" result="254"/></more></colors>
  </problem>
  <pair piece="9" result="9"/>
)";
  const XmPuzzleRead read = ParseXmPuzzle(Xml(problem, shapes), "");
  ASSERT_EQ(read.error, "");
  const PuzzleText& p = read.puzzle;
  EXPECT_EQ(p.target, (std::vector<Point>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}));
  EXPECT_EQ(p.optional, (std::vector<std::uint8_t>{0, 1, 0}));
  EXPECT_EQ(p.targetColours, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(p.maxHoles, 1);
  EXPECT_EQ(p.allowed, (std::vector<ColourRule>{{1, 1}, {2, 1}, {3, 255}}));
  ASSERT_EQ(p.pieces.size(), 2u);
  EXPECT_EQ(p.pieces[0].name, "S5");
  EXPECT_EQ(p.pieces[0].cubes, (std::vector<Point>{{0, 0, 0}, {1, 0, 0}}));
  EXPECT_EQ(p.pieces[0].colours, (std::vector<int>{1, 0}));
  EXPECT_EQ(p.pieces[1].name, "U");
  EXPECT_EQ(p.pieces[1].minCopies, 0);
  EXPECT_EQ(p.pieces[1].maxCopies, 2);

  // The same kind of puzzle as a file of the designers' program, compressed.
  const XmPuzzleRead file =
      ReadXmPuzzle(CUBEPACK_PUZZLES "/../tests/data/colours-holes.xmpuzzle", "");
  ASSERT_EQ(file.error, "");
  EXPECT_EQ(file.puzzle.name, "Tray with a hole");
  EXPECT_EQ(file.puzzle.optional, (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(file.puzzle.targetColours, (std::vector<int>{1, 1, 1, 2, 0, 2}));
  EXPECT_EQ(file.puzzle.maxHoles, 1);
  EXPECT_EQ(file.puzzle.allowed, (std::vector<ColourRule>{{1, 1}, {2, 2}}));
  ASSERT_EQ(file.puzzle.pieces.size(), 3u);
  EXPECT_EQ(file.puzzle.pieces[1].name, "Domino");
  EXPECT_EQ(file.puzzle.pieces[1].colours, (std::vector<int>{2, 2}));
  EXPECT_EQ(file.puzzle.pieces[2].minCopies, 0);
  EXPECT_EQ(file.puzzle.pieces[2].maxCopies, 1);
}

// Each use of a shape is one piece with its copies; a min alone is at least that many (as many
// as fit), a max alone up to that many; a use of none is left out; names stay apart.
TEST(XmPuzzle, ReadsRangesAsOnePieceEach) {
  const std::string problem = R"(<problem name="ranges"><shapes>
   <shape id="2" min="2"/><shape id="4" max="3"/><shape id="1" count="0"/>
   <shape id="0" min="0" max="0"/><shape id="2"/></shapes><result id="3"/></problem>
)";
  const XmPuzzleRead read =
      ParseXmPuzzle(Xml(problem, R"(<voxel x="1" y="1" z="1" name="U">#</voxel>)"), "");
  ASSERT_EQ(read.error, "");
  ASSERT_EQ(read.puzzle.pieces.size(), 3u);
  const struct {
    const char* name;
    int min, max;
  } expected[] = {{"U", 2, 6}, {"U-2", 0, 3}, {"U-3", 1, 1}};
  for (std::size_t i = 0; i < 3; ++i) {
    const PuzzlePiece& piece = read.puzzle.pieces[i];
    EXPECT_EQ(piece.name, expected[i].name);
    EXPECT_EQ(piece.cubes, (std::vector<Point>{{0, 0, 0}}));
    EXPECT_EQ(piece.minCopies, expected[i].min) << i;
    EXPECT_EQ(piece.maxCopies, expected[i].max) << i;
  }
}

// A voxel of `cells` filled cells ('+' for variable ones) in a grid 16 x 16 wide.
std::string Block(int cells, char fill = '#') {
  const int layers = (cells + 255) / 256;
  return "<voxel x=\"16\" y=\"16\" z=\"" + std::to_string(layers) + "\">" +
         std::string(static_cast<std::size_t>(cells), fill) +
         std::string(static_cast<std::size_t>(layers * 256 - cells), '_') + "</voxel>\n";
}

std::string Uses(const std::string& shape, long long uses) {
  std::string out;
  for (long long i = 0; i < uses; ++i) out += shape;
  return out;
}

// Targets and pieces up to the engine's limit, and one line past it.
TEST(XmPuzzle, TakesSizesUpToTheEnginesLimit) {
  const std::string most = std::to_string(kMaxTargetCells);
  const std::string one = R"(<shape id="4" count="1"/>)";
  const XmPuzzleRead full = ParseXmPuzzle(Xml(Problem(one, "4"), Block(kMaxTargetCells)), "");
  ASSERT_EQ(full.error, "");
  EXPECT_EQ(full.puzzle.target.size(), static_cast<std::size_t>(kMaxTargetCells));
  EXPECT_EQ(full.puzzle.pieces[0].cubes.size(), static_cast<std::size_t>(kMaxTargetCells));
  const XmPuzzleRead holes = ParseXmPuzzle(
      Xml(Problem(R"(<shape id="2" max="1"/>)", "4"), Block(kMaxTargetCells, '+')), "");
  ASSERT_EQ(holes.error, "");
  EXPECT_EQ(holes.puzzle.optional, std::vector<std::uint8_t>(kMaxTargetCells, 1));

  EXPECT_EQ(ParseXmPuzzle(Xml(Problem(one, "4"), Block(kMaxTargetCells + 1)), "").error,
            "problem 'p': the target has " + std::to_string(kMaxTargetCells + 1) +
                " cells; the engine takes at most " + most);
  EXPECT_EQ(ParseXmPuzzle(Xml(Problem(R"(<shape id="5" count="1"/>)", "2"),
                              Block(kMaxTargetCells) + Block(kMaxTargetCells + 1)),
                          "")
                .error,
            "problem 'p': shape 5 has more than " + most + " cubes, the most the engine takes");
  const std::string tooManyShapes =
      "problem 'p' uses more than " + most + " shapes; a target has at most " + most + " cells";
  EXPECT_EQ(ParseXmPuzzle(
                Xml(Problem(Uses(R"(<shape id="2" min="0" max="1"/>)", kMaxTargetCells + 1), "4"),
                    Block(kMaxTargetCells)),
                "")
                .error,
            tooManyShapes);
  // Big pieces, many times: the bound on the cubes in all, or on the shapes when it comes first.
  const long long uses = kMaxVoxelCells / kMaxTargetCells + 1;
  EXPECT_EQ(ParseXmPuzzle(Xml(Problem(Uses(R"(<shape id="4" min="0" max="1"/>)", uses), "4"),
                              Block(kMaxTargetCells)),
                          "")
                .error,
            uses <= kMaxTargetCells ? "problem 'p': its pieces have more than " +
                                          std::to_string(kMaxVoxelCells) + " cubes in all"
                                    : tooManyShapes);
  // More single cubes fit in a big target than a piece may have copies.
  if (kMaxTargetCells > kMaxCopies) {
    EXPECT_EQ(
        ParseXmPuzzle(Xml(Problem(R"(<shape id="2" min="1"/>)", "4"), Block(kMaxTargetCells)), "")
            .error,
        "problem 'p': shape 2 has a min and no max, and " + most +
            " copies fit in the target; give a max up to " + std::to_string(kMaxCopies));
  }
}

TEST(XmPuzzle, TakesItsNamesInAnyLetterCase) {
  for (const char* name : {"a.xmpuzzle", "A.XMPUZZLE", "dir/b.XmPuzzle", "c.xml", "C.XML"})
    EXPECT_TRUE(IsXmPuzzleName(name)) << name;
  for (const char* name : {"a.txt", "xml", ".xml", "a.xmpuzzle.txt", "a.xm"})
    EXPECT_FALSE(IsXmPuzzleName(name)) << name;
}

struct FaultCase {
  std::string xml;
  std::string problem;
  std::string error;  // "" for a file that is read
};

void ExpectFaults(const std::vector<FaultCase>& cases) {
  for (const FaultCase& c : cases) {
    const XmPuzzleRead read = ParseXmPuzzle(c.xml, c.problem);
    EXPECT_EQ(read.error, c.error);
    EXPECT_EQ(read.error.find('\n'), std::string::npos);
  }
}

TEST(XmPuzzle, RefusesWhatCannotBeCountedInOneLine) {
  ExpectFaults({
      {Xml(Problem(kPieces), "", "2"), "",
       "grid type 2: only puzzles of cubes (grid type 0) can be counted"},
      {Xml(Problem(kPieces)), "other", "the file has no problem named 'other'"},
      {Xml(""), "", "the file has no problem"},
      {Xml(Problem(kPieces, "9")), "",
       "problem 'p': shape 9 does not exist (the file has 4 shapes)"},
      {Xml(Problem(R"(<shape id="7" count="1"/>)")), "",
       "problem 'p': shape 7 does not exist (the file has 4 shapes)"},
      {Xml(Problem(kPieces, "4"), R"(<voxel x="2" y="2" z="1">###</voxel>)"), "",
       "shape 4: 3 cells in its text, not 2 x 2 x 1 = 4"},
      {Xml(Problem(kPieces, "4"), R"(<voxel x="2" y="2" z="1">##x#</voxel>)"), "",
       "shape 4: cell 2 is 'x', not #, _ or +"},
      {Xml(Problem(kPieces, "4"), R"(<voxel x="-2" y="2" z="1">####</voxel>)"), "",
       "shape 4's size x is '-2', not a whole number from 0 to 256"},
      {Xml(Problem(R"(<shape id="1" count="2"/>)")), "",
       "problem 'p': the pieces have 6 cubes in all, the target 4 cells"},
      {"<puzzle><shapes>", "", "not well-formed XML (line 1: no element found)"},
      {"<?xml version=\"1.0\"?><notapuzzle/>", "",
       "not a puzzle file: its root element is not <puzzle>"},
      // Entities nest: a few hundred bytes of them can stand for gigabytes.
      {"<?xml version=\"1.0\"?>\n<!DOCTYPE puzzle [<!ENTITY a \"####\"><!ENTITY b "
       "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n<puzzle>&b;</puzzle>",
       "", "the file declares entities (<!ENTITY>), which a puzzle file never needs: refused"},
      {Xml(Problem(kPieces, "4"), "<voxel x=\"2\" y=\"2\" z=\"1\">" +
                                      std::string(kMaxVoxelTextBytes - 3, ' ') + "####</voxel>"),
       "", "shape 4: its voxel text has more than 4194304 bytes (4 MiB)"},
      {Xml("<problem name=\"" + std::string(4097, 'n') + "\"/>"), "",
       "problem 0's name has more than 4096 bytes"},
  });
}

// Ranges, colours and holes: numbers out of bounds, and choices of copies that fill nothing.
TEST(XmPuzzle, RefusesBadRangesColoursAndHolesInOneLine) {
  ExpectFaults({
      {Xml(Problem(R"(<shape id="1" count="1"/><shape id="2" min="3" max="1"/>)")), "",
       "problem 'p': shape 2 has min 3 above max 1"},
      {Xml(Problem("<shape id=\"2\" count=\"" + std::to_string(kMaxCopies + 1) + "\"/>")), "",
       "a shape of problem 0: its count is '" + std::to_string(kMaxCopies + 1) +
           "', not a whole number from 0 to " + std::to_string(kMaxCopies)},
      {Xml(Problem(R"(<shape id="2" min="5"/>)")), "",
       "problem 'p': the pieces have 5 cubes in all, the target 4 cells"},
      {Xml(Problem(R"(<shape id="1" min="0" max="1"/><shape id="2" max="2"/>)", "3")), "",
       "problem 'p': no choice of the pieces' copies covers from 6 to 6 cells (the cells to "
       "fill)"},
      {Xml(Problem(kPieces, "4"), R"(<voxel x="3" y="1" z="1">#+#</voxel>)"), "",
       "problem 'p': no choice of the pieces' copies covers from 2 to 3 cells (the cells to "
       "fill)"},
      {Xml(Problem(R"(<shape id="2" max="3"/>)", "4"), R"(<voxel x="2" y="2" z="1">#+++</voxel>)"),
       "", ""},
      {Xml("<problem name=\"p\" maxHoles=\"0\"><shapes><shape id=\"2\" max=\"3\"/></shapes>"
           "<result id=\"4\"/></problem>",
           R"(<voxel x="2" y="2" z="1">#+++</voxel>)"),
       "",
       "problem 'p': no choice of the pieces' copies covers from 4 to 4 cells (the cells to fill "
       "and all but max-holes of the others)"},
      {Xml("<problem name=\"p\" maxHoles=\"-1\"/>"), "",
       "the maxHoles of problem 0 is '-1', not a whole number from 0 to " +
           std::to_string(kMaxTargetCells)},
      {Xml(Problem(kPieces, "4"), R"(<voxel x="2" y="2" z="1">##256#</voxel>)"), "",
       "shape 4: cell 1 has colour '256', above 255"},
      {Xml(Problem(kPieces, "4"),
           R"(<voxel x="2" y="2" z="1">#_123456789012345678901234567890##</voxel>)"),
       "", "shape 4: cell 1 has colour '12345678901234567890', above 255"},
      {Xml("<problem name=\"p\"><colors><pair piece=\"255\" result=\"0\"/></colors></problem>"), "",
       "a colour pair of problem 0: its piece colour is '255', not a whole number from 0 to 254"},
      {Xml("<problem name=\"p\"><pair piece=\"1\"/></problem>"), "",
       "a colour pair of problem 0 has no result colour"},
  });
}

// A shape's weight, and a use's groups: an attribute for all its copies, or elements for some;
// group 0 is none, a group twice adds up, a count is cut to the copies. Out of range: one line.
TEST(XmPuzzle, ReadsWeightsAndGroups) {
  const std::string bar = R"(<voxel x="3" y="1" z="1" name="Bar" weight="5">###</voxel>)";
  const std::string uses = R"(<shape id="4" count="1" group="2"/>
   <shape id="2" min="0" max="4" group="0"><group group="1" count="2"/>
    <group group="0" count="1"/><group group="4" count="9"/><group group="1" count="1"/></shape>
   <shape id="2" max="1"/>)";
  const XmPuzzleRead read = ParseXmPuzzle(Xml(Problem(uses, "3"), bar), "");
  ASSERT_EQ(read.error, "");
  ASSERT_EQ(read.puzzle.pieces.size(), 3u);
  const PuzzlePiece& barPiece = read.puzzle.pieces[0];
  EXPECT_EQ(barPiece.weight, 5);
  EXPECT_EQ(barPiece.groups, (std::vector<PieceGroup>{{2, 1}}));
  EXPECT_EQ(read.puzzle.pieces[1].weight, 1);
  EXPECT_EQ(read.puzzle.pieces[1].groups, (std::vector<PieceGroup>{{1, 3}, {4, 4}}));
  EXPECT_TRUE(read.puzzle.pieces[2].groups.empty());

  ExpectFaults({
      {Xml(Problem(kPieces), R"(<voxel x="1" y="1" z="1" weight="0">#</voxel>)"), "",
       "shape 4's weight is '0', not a whole number from 1 to 1000000"},
      {Xml(Problem(R"(<shape id="1" count="1" group="65536"/><shape id="2" count="1"/>)")), "",
       "a shape of problem 0: its group is '65536', not a whole number from 0 to 65535"},
      {Xml(Problem(R"(<shape id="1" count="1"><group group="1" count="-1"/></shape>)")), "",
       "a group of problem 0: its count is '-1', not a whole number from 0 to 2147483647"},
      {Xml(Problem(R"(<shape id="1" count="1"><group count="1"/></shape>)")), "",
       "a group of problem 0 has no id"},
  });
}

// `text` as one gzip member.
std::string Gzip(const std::string& text) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::string out(deflateBound(&z, static_cast<uLong>(text.size())) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A file as the designers' program writes it, gzip-compressed; cut short, it is refused.
TEST(XmPuzzle, ReadsCompressedAndPlainFilesAndRefusesACutOne) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string packed = (dir / "cubepack_test.xmpuzzle").string();
  const std::string plain = (dir / "cubepack_test.xml").string();
  const std::string cut = (dir / "cubepack_test_cut.xmpuzzle").string();
  const std::string xml = Xml(kFirst);
  gzFile out = gzopen(packed.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(gzwrite(out, xml.data(), static_cast<unsigned>(xml.size())),
            static_cast<int>(xml.size()));
  ASSERT_EQ(gzclose(out), Z_OK);
  std::FILE* f = std::fopen(plain.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(xml.data(), 1, xml.size(), f);
  std::fclose(f);
  std::filesystem::copy_file(packed, cut, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(cut, std::filesystem::file_size(packed) - 12);

  for (const std::string& path : {packed, plain}) {
    const XmPuzzleRead read = ReadXmPuzzle(path, "");
    EXPECT_EQ(read.error, "") << path;
    EXPECT_EQ(read.puzzle.pieces.size(), 2u) << path;
  }
  const XmPuzzleRead broken = ReadXmPuzzle(cut, "");
  EXPECT_NE(broken.error.find("cannot read '" + cut + "': "), std::string::npos) << broken.error;
  // The same bytes from memory, as standard input gives them.
  std::ifstream in(packed, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(LooksLikeXmPuzzle(bytes));
  EXPECT_TRUE(LooksLikeXmPuzzle("\xef\xbb\xbf \n<?xml version=\"1.0\"?>"));
  EXPECT_FALSE(LooksLikeXmPuzzle("# <puzzle>\nbox 1 1 1\n"));
  EXPECT_EQ(ParseXmPuzzleBytes(bytes, "").puzzle.pieces.size(), 2u);
  const std::string twoMembers = Gzip(xml.substr(0, 100)) + Gzip(xml.substr(100));
  EXPECT_EQ(ParseXmPuzzleBytes(twoMembers, "").puzzle.pieces.size(), 2u);
  EXPECT_EQ(ParseXmPuzzleBytes(xml, "").puzzle.pieces.size(), 2u);
  EXPECT_EQ(ParseXmPuzzleBytes(bytes.substr(0, bytes.size() - 12), "").error,
            "the compressed data is cut short or damaged");
  EXPECT_EQ(
      ReadXmPuzzle((dir / "cubepack_none.xmpuzzle").string(), "").error.rfind("cannot open", 0),
      0u);
  for (const std::string& path : {packed, plain, cut}) std::filesystem::remove(path);
}

#endif

}  // namespace
}  // namespace cubepack::general
