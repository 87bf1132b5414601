#include "shared/packing_page.h"

#include <cstdio>

namespace cubepack {

// The page's own script (packing_page_script.cpp): it reads the JSON block and draws.
extern const std::string_view kPackingPageScript;

namespace {

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:">
)";

constexpr std::string_view kStyle = R"(<style>
html, body { margin: 0; height: 100%; overflow: hidden; background: #fff;
  font: 14px sans-serif; color: #000; }
#view { position: absolute; top: 0; right: 0; bottom: 0; left: 240px; touch-action: none; }
#panel { position: absolute; top: 0; left: 0; bottom: 0; width: 223px; overflow: auto;
  border-right: 1px solid #ccc; padding: 6px 8px; }
@media (max-width: 600px) {
  #view { left: 0; top: 40%; }
  #panel { width: auto; right: 0; bottom: 60%; border-right: 0; border-bottom: 1px solid #ccc; }
}
#panel h1 { font-size: 15px; margin: 0 0 6px; }
#panel label { display: block; margin: 4px 0; }
#legend { list-style: none; margin: 6px 0 0; padding: 0; }
#legend li { cursor: pointer; margin: 2px 0; white-space: nowrap; user-select: none; }
#legend li.hidden { opacity: 0.4; text-decoration: line-through; }
#legend .swatch { display: inline-block; width: 12px; height: 12px; margin-right: 6px;
  border: 1px solid #000; vertical-align: -2px; }
#legend .label { font-weight: bold; margin-right: 6px; }
#player { margin: 6px 0; }
#player[hidden] { display: none; }
#step { width: 140px; }
</style>
</head>
)";

constexpr std::string_view kBody = R"(<body>
<div id="view"></div>
<div id="panel">
<h1 id="title"></h1>
<label>explode <input id="explode" type="range" min="0" max="1" step="0.01" value="0"></label>
<button id="reset" type="button">reset view</button>
<div id="player" hidden>
<div id="level"></div>
<label>step <input id="step" type="range" min="0" max="0" step="1" value="0"></label>
<button id="play" type="button">play</button>
<div id="steptext"></div>
</div>
<ul id="legend"></ul>
</div>
)";

std::string PageData(const Layers& layers, const PageText& text) {
  std::string out = "{\"title\":" + ScriptJsonString(text.title) + ",\"size\":[" +
                    std::to_string(layers.sizeX) + "," + std::to_string(layers.sizeY) + "," +
                    std::to_string(layers.sizeZ) + "],\"cells\":" + ScriptJsonString(layers.cells) +
                    ",\"pieces\":[";
  for (std::size_t i = 0; i < layers.legend.size(); ++i) {
    // Both arms views: a string and a literal would make a temporary string the view outlives.
    const std::string_view name =
        i < text.names.size() ? std::string_view(text.names[i]) : std::string_view();
    out += std::string(i == 0 ? "" : ",") +
           "{\"label\":" + ScriptJsonString(layers.legend.substr(i, 1)) +
           ",\"name\":" + ScriptJsonString(name) + ",\"colour\":\"" + std::string(PieceColour(i)) +
           "\"}";
  }
  out += "]";
  if (text.withMoves) {
    out += ",\"movesTitle\":" + ScriptJsonString(text.movesTitle) + ",\"moves\":[";
    for (std::size_t i = 0; i < text.moves.size(); ++i) {
      const PageMove& m = text.moves[i];
      out += std::string(i == 0 ? "" : ",") + "{\"pieces\":" + ScriptJsonString(m.pieces) +
             ",\"by\":[" + std::to_string(m.by[0]) + "," + std::to_string(m.by[1]) + "," +
             std::to_string(m.by[2]) + "],\"text\":" + ScriptJsonString(m.text) + "}";
    }
    out += "]";
  }
  return out + "}";
}

}  // namespace

std::string ScriptJsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || c == '<' || c == '>' || c == '&') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string DrawLayersPage(const Layers& layers, const PageText& text, std::string_view library) {
  std::string out(kHead);
  out += "<title>" + HtmlEscaped(text.title) + "</title>\n";
  out += kStyle;
  out += kBody;
  out +=
      "<script type=\"application/json\" id=\"packing\">" + PageData(layers, text) + "</script>\n";
  out += "<script>\n";
  out += library;
  out += "\n</script>\n<script>\n";
  out += kPackingPageScript;
  out += "</script>\n</body>\n</html>\n";
  return out;
}

}  // namespace cubepack
