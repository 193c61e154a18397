#include "routes/routeImport.h"

#include <new>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "files/fileSetPlatform.h"
#include "routes/routeEncoding.h"
#include "routes/routeGeoJson.h"
#include "routes/routeKmz.h"
#include "routes/routeReader.h"
#include "routes/routeText.h"
#include "routes/routeXml.h"
#include "text/runMessages.h"
#include "text/textOut.h"
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

// Closed however the reading ends.
struct openFile {
  platform::fileHandle handle;
  openFile(const openFile&) = delete;
  openFile& operator=(const openFile&) = delete;
  ~openFile() { platform::closeQuietly(handle); }
};

}  // namespace

std::string readRouteFile(const std::string& name) {
  const std::string cannotOpen = "cannot open file " + name + " ";
  const openFile opened{platform::openForReading(name)};
  const platform::fileHandle file = opened.handle;
  if (file == platform::noFile) {
    const std::string reason = platform::lastError();
    failRun(cannotOpen, "vesk: " + name + ": " + reason);
  }
  if (platform::isFolder(file)) failRun(cannotOpen, "vesk: " + name + ": it is a folder, not a file");
  const std::string limit = std::to_string(maxRouteFileBytes >> 20) + " MiB";
  const std::string tooLarge = "vesk: " + name + ": more than " + limit + ", larger than any route; nothing was read";
  const std::string tooLong = "vesk: " + name + ": gives more than " + limit + ", more than any route; reading stopped";
  // A file of known size too large is refused before any of it is read; what has no size
  // (a pipe, a device such as /dev/zero) is read with a running count.
  const long long size = platform::plainFileSize(file);
  if (size > maxRouteFileBytes) failRun(cannotOpen, tooLarge);
  std::string content;
  try {
    if (size > 0) content.reserve(static_cast<size_t>(size));
    std::string piece(64 * 1024, '\0');
    for (;;) {
      const long long n = platform::readSome(file, piece.data(), piece.size());
      if (n < 0) {
        const std::string reason = platform::lastError();
        failRun(cannotOpen, "vesk: " + name + ": " + reason);
      }
      if (n == 0) break;
      if (static_cast<long long>(content.size()) + n > maxRouteFileBytes) failRun(cannotOpen, tooLong);
      content.append(piece, 0, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    failRun("out of memory: cannot read file " + name + "\n");
  }
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
