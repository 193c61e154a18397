#include "routes/routeDocument.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "files/fileSetPlatform.h"
#include "routes/routeEncoding.h"
#include "routes/routeKmz.h"
#include "routes/xmlWalk.h"

namespace {

// Closed however the reading ends.
struct openFile {
  platform::fileHandle handle;
  openFile(const openFile&) = delete;
  openFile& operator=(const openFile&) = delete;
  ~openFile() { platform::closeQuietly(handle); }
};

// The first character after a byte order mark and white space.
char firstSignificant(std::string_view content) {
  for (size_t i = bomLength(content); i < content.size(); ++i) {
    if (!isSpace(content[i])) return content[i];
  }
  return '\0';
}

// Bytes of no text in `content`: NUL and the control characters no editor writes.
bool isBinary(std::string_view content) {
  const std::string_view start = content.substr(0, 4096);
  size_t controls = 0;
  for (const char c : start) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\v' && byte != '\f' && byte != '\r' && byte != 0x1A &&
        byte != 0x1B) {
      ++controls;
    }
  }
  // A stray control character in a text route is named on its line; a photo, a
  // spreadsheet or a program given for a route holds them throughout.
  return controls >= 2 && controls * 32 >= start.size();
}

// A KML document saved as one of its parts: the features and geometries of a KML file,
// with the namespace of KML or none.
bool isKmlPart(const pugi::xml_node& root) {
  static const char* const parts[] = {"Document",      "Folder",        "Placemark",     "NetworkLink", "PhotoOverlay",
                                      "GroundOverlay", "ScreenOverlay", "MultiGeometry", "LineString",  "Point",
                                      "Polygon",       "Track",         "MultiTrack"};
  const std::string_view name = localName(root);
  if (std::find(std::begin(parts), std::end(parts), name) == std::end(parts)) return false;
  const std::string_view full = root.name();
  const std::string prefix(full.substr(0, full.size() - name.size()));
  const std::string_view space =
      root.attribute(("xmlns" + (prefix.empty() ? "" : ":" + prefix.substr(0, prefix.size() - 1))).c_str()).value();
  return space.empty() || space.find("/kml/") != std::string_view::npos;
}

}  // namespace

result<std::string> readDocumentFile(const std::string& name) {
  const std::string cannotOpen = "cannot open file " + name + " ";
  const openFile opened{platform::openForReading(name)};
  const platform::fileHandle file = opened.handle;
  if (file == platform::noFile) {
    const std::string reason = platform::lastError();
    return failure{cannotOpen, "vesk: " + name + ": " + reason};
  }
  if (platform::isFolder(file)) return failure{cannotOpen, "vesk: " + name + ": it is a folder, not a file"};
  const std::string limit = std::to_string(maxRouteFileBytes >> 20) + " MiB";
  const std::string tooLarge = "vesk: " + name + ": more than " + limit + ", larger than any route; nothing was read";
  const std::string tooLong = "vesk: " + name + ": gives more than " + limit + ", more than any route; reading stopped";
  // A file of known size too large is refused before any of it is read; what has no size
  // (a pipe, a device such as /dev/zero) is read with a running count.
  const long long size = platform::plainFileSize(file);
  if (size > maxRouteFileBytes) return failure{cannotOpen, tooLarge};
  std::string content;
  try {
    if (size > 0) content.reserve(static_cast<size_t>(size));
    std::string piece(64 * 1024, '\0');
    for (;;) {
      const long long n = platform::readSome(file, piece.data(), piece.size());
      if (n < 0) {
        const std::string reason = platform::lastError();
        return failure{cannotOpen, "vesk: " + name + ": " + reason};
      }
      if (n == 0) break;
      if (static_cast<long long>(content.size()) + n > maxRouteFileBytes) return failure{cannotOpen, tooLong};
      content.append(piece, 0, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    // What was read is let go first: the message needs memory of its own.
    std::string().swap(content);
    return failure{"out of memory: cannot read file " + name + "\n", ""};
  }
  return content;
}

void openDocument(std::string_view content, document& doc, const routeReader& reader) {
  // A KMZ holds its KML document zipped.
  const bool zipped = isZip(content);
  std::string entry;
  if (zipped) {
    kmzDocument inside = kmlOfKmz(content);
    if (!inside.problem.empty()) reader.refuseFile(inside.problem);
    entry = std::move(inside.name);
    doc.unzipped = std::move(inside.kml);
    content = doc.unzipped;
  }
  unicodeText unicode = fromUtf16(content);
  if (!unicode.problem.empty()) reader.refuseFile(unicode.problem);
  if (unicode.converted) {
    doc.converted = std::move(unicode.text);
    content = doc.converted;
  }
  doc.text = content;
  if (!zipped && !unicode.converted && isBinary(content)) {
    reader.refuseFile("is binary data, neither text nor a zip archive: no route or area can be read from it");
  }
  const char first = firstSignificant(content);
  if (first == '<') {
    // Converted text is UTF-8 whatever its XML declaration says.
    doc.parsed = doc.xml.load_buffer(content.data(), content.size(), pugi::parse_default,
                                     unicode.converted ? pugi::encoding_utf8 : pugi::encoding_auto);
    // The partial tree of a document that failed to parse still names its root.
    const std::string_view root = localName(doc.xml.document_element());
    doc.format = root == "kml" || isKmlPart(doc.xml.document_element()) ? documentFormat::kml
                 : root == "gpx"                                        ? documentFormat::gpx
                                                                        : documentFormat::otherXml;
  } else if (first == '{') {
    doc.format = documentFormat::geoJson;
  }
  if (zipped && doc.format != documentFormat::kml)
    reader.refuseFile("holds " + entry + ", which is not a KML document");
}
