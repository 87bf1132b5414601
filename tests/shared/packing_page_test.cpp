// The 3-D page's text: the puzzle's texts reach it as data, never as markup or script, and the
// pieces' colours stay apart.

#include "shared/packing_page.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace cubepack {

namespace {

std::size_t Occurrences(const std::string& text, const std::string& word) {
  std::size_t n = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

TEST(PackingPage, JsonStringsCannotEndTheScriptElement) {
  EXPECT_EQ(ScriptJsonString("</script>&\"\\\n\x01"),
            "\"\\u003c/script\\u003e\\u0026\\\"\\\\\\u000a\\u0001\"");
  EXPECT_EQ(ScriptJsonString("Würfel"), "\"Würfel\"");
  EXPECT_EQ(HtmlEscaped("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
}

TEST(PackingPage, HostileTextsStayText) {
  const std::string hostile = "</script><script>alert(1)</script><!--";
  const std::string cells = "001";
  const Layers layers{3, 1, 1, cells, "01"};
  const std::string page =
      DrawLayersPage(layers, {hostile, {hostile, "b"}, true, hostile, {{"1", {1, 0, 0}, hostile}}},
                     "/* library */");
  // The JSON block, the library and the page's own script: nothing more opens or closes.
  EXPECT_EQ(Occurrences(page, "<script"), 3u);
  EXPECT_EQ(Occurrences(page, "</script"), 3u);
  EXPECT_EQ(Occurrences(page, "<!--"), 0u);
  EXPECT_NE(page.find("<title>&lt;/script&gt;&lt;script&gt;alert(1)"), std::string::npos);
  EXPECT_NE(page.find("\"cells\":\"001\""), std::string::npos);
  EXPECT_NE(page.find("/* library */"), std::string::npos);
  // Nothing is loaded from anywhere.
  EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
  EXPECT_EQ(Occurrences(page, " src="), 0u);
}

TEST(PackingPage, SixtyTwoColoursApart) {
  EXPECT_EQ(PieceColour(0), "#e6194b");  // the SVG picture's first
  EXPECT_EQ(PieceColour(kPieceColours), PieceColour(0));
  std::set<std::string_view> seen;
  for (std::size_t i = 0; i < kPieceColours; ++i) seen.insert(PieceColour(i));
  EXPECT_EQ(seen.size(), kPieceColours);
}

}  // namespace

}  // namespace cubepack
