#include "routeImport.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <system_error>

#include "routeEncoding.h"
#include "routeGeoJson.h"
#include "routeKmz.h"
#include "routeReader.h"
#include "routeText.h"
#include "routeXml.h"
#include "runMessages.h"
#include "textOut.h"
#include "wptList.h"

namespace {

enum class routeFormat { text, kml, gpx, geojson, csv };

bool endsWithCsv(const std::string& name) {
  return name.size() >= 4 && lowerCase(name.substr(name.size() - 4)) == ".csv";
}

// The first character after a byte order mark and white space.
char firstSignificant(std::string_view content) {
  for (size_t i = bomLength(content); i < content.size(); ++i) {
    if (!isSpace(content[i])) return content[i];
  }
  return '\0';
}

// The format of a waypoint file, told from its content (after a byte order mark and white
// space: XML whose root element is kml or gpx, or a JSON object), otherwise from a name
// ending in .csv; anything else is the plain text format. XML is parsed into `doc`, in
// `encoding`.
routeFormat detectFormat(std::string_view content, const std::string& name, pugi::xml_encoding encoding,
                         pugi::xml_document& doc, pugi::xml_parse_result& parsed) {
  const char first = firstSignificant(content);
  if (first == '<') {
    parsed = doc.load_buffer(content.data(), content.size(), pugi::parse_default, encoding);
    // The partial tree of a document that failed to parse still names its root.
    const std::string_view root = localName(doc.document_element());
    if (root == "kml") return routeFormat::kml;
    if (root == "gpx") return routeFormat::gpx;
  }
  if (first == '{') return routeFormat::geojson;
  if (endsWithCsv(name)) return routeFormat::csv;
  return routeFormat::text;
}

}  // namespace

std::string readRouteFile(const std::string& name) {
  std::error_code ec;
  // The program's names are UTF-8; on Windows a plain string would be read in the legacy
  // code page by the file system library.
  const std::filesystem::path path = std::filesystem::u8path(name);
  std::ifstream in(name, std::ios::in | std::ios::binary);
  if (!in || std::filesystem::is_directory(path, ec)) failRun("cannot open file " + name + " ");
  std::string content;
  try {
    // In one piece when the size is known; what is left when it grew meanwhile, or a file
    // of no known size (a pipe), in pieces.
    const std::uintmax_t size = std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
    if (!ec && size > 0) {
      content.resize(static_cast<size_t>(size));
      in.read(content.data(), static_cast<std::streamsize>(size));
      content.resize(static_cast<size_t>(in.gcount()));
    }
    std::string piece(64 * 1024, '\0');
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
      content.append(piece, 0, static_cast<size_t>(in.gcount()));
    }
  } catch (const std::bad_alloc&) {
    failRun("out of memory: cannot read file " + name + "\n");
  }
  if (in.bad()) failRun("cannot open file " + name + " ");
  return content;
}

void readRoute(std::string_view content, const std::string& name) {
  routeReader route(name);
  // A KMZ holds its KML document zipped.
  const bool zipped = isZip(content);
  kmzDocument inside;
  if (zipped) {
    inside = kmlOfKmz(content);
    if (!inside.problem.empty()) route.refuseFile(inside.problem);
    content = inside.kml;
  }
  const unicodeText unicode = fromUtf16(content);
  if (!unicode.problem.empty()) route.refuseFile(unicode.problem);
  if (unicode.converted) content = unicode.text;
  pugi::xml_document doc;
  pugi::xml_parse_result parsed;
  // Converted text is UTF-8 whatever its XML declaration says.
  const routeFormat format =
      detectFormat(content, name, unicode.converted ? pugi::encoding_utf8 : pugi::encoding_auto, doc, parsed);
  if (zipped && format != routeFormat::kml) route.refuseFile("holds " + inside.name + ", which is not a KML document");
  switch (format) {
    case routeFormat::kml: readKml(doc, parsed, content, route); break;
    case routeFormat::gpx: readGpx(doc, parsed, content, route); break;
    case routeFormat::geojson: readGeoJson(content, route); break;
    case routeFormat::csv: readCsv(content, route); break;
    case routeFormat::text: readText(content, route); break;
  }
  route.finish();
  if (headNodePtr == nullptr) failRun("list is empty\n");
}
