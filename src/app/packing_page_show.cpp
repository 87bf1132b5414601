#include "app/packing_page_show.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "shared/platform.h"

namespace cubepack {

namespace {

constexpr const char* kProgram = "cubepack-solutions";

int Fail(const std::string& line) {
  std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str());
  return 2;
}

#ifdef CUBEPACK_THREE_JS_DIR
// File `name` of the library, or "" after setting `error`. A script that could end its
// <script> element early (or open a comment there) is refused rather than inlined.
std::string ReadScript(const std::string& name, std::string& error) {
  const std::string path = std::string(CUBEPACK_THREE_JS_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in || text.str().empty()) {
    error = "cannot read " + path + " for the 3-D page (install libjs-three)";
    return {};
  }
  std::string lower = text.str();
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower.find("</script") != std::string::npos || lower.find("<!--") != std::string::npos) {
    error = path + " cannot be inlined in a page: it holds </script or <!--";
    return {};
  }
  return text.str();
}
#endif

}  // namespace

int ReadPageLibrary(std::string& library) {
#ifdef CUBEPACK_THREE_JS_DIR
  std::string error;
  const std::string three = ReadScript("three.min.js", error);
  if (!error.empty()) return Fail(error);
  const std::string orbit = ReadScript("examples/js/controls/OrbitControls.js", error);
  if (!error.empty()) return Fail(error);
  library = three + "\n" + orbit;
  return 0;
#else
  (void)library;
  return Fail(
      "show --html needs three.js, which this build left out: install libjs-three and build "
      "again");
#endif
}

int WritePackingPage(const Layers& layers, const PageText& text, const std::string& library) {
  return WriteOut(kProgram, DrawLayersPage(layers, text, library));
}

}  // namespace cubepack
