// The document layer under the route and area readers: the file read whole, a KMZ
// unzipped, UTF-16 converted, the format told from the content and an XML document
// parsed, once for both readers.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "routes/routeReader.h"
#include "text/outcome.h"

// Route and area files above this size are refused unread: the largest surveys are a few
// MiB, and a file or stream without end (/dev/zero, a runaway pipe) must not take the
// laptop's memory.
constexpr long long maxRouteFileBytes = 512LL << 20;

// The whole content of the route or area file `name`; a failure with the system's reason
// when it cannot be read or is larger than maxRouteFileBytes.
result<std::string> readDocumentFile(const std::string& name);

enum class documentFormat {
  plain,     // neither XML nor JSON: the text formats
  kml,       // XML whose root element is kml, in any namespace, or a KML part (Document,
             // Folder, Placemark, ...) in a KML namespace or none
  gpx,       // XML whose root element is gpx
  otherXml,  // any other XML
  geoJson,   // a JSON object
};

// A file made ready for the readers of its format.
struct document {
  document() = default;
  document(const document&) = delete;
  document& operator=(const document&) = delete;

  std::string_view text;  // the content as UTF-8, without a UTF-16 byte order mark
  documentFormat format = documentFormat::plain;
  pugi::xml_document xml;         // an XML document as far as it parsed
  pugi::xml_parse_result parsed;  // how parsing went, for the refusal of one that failed
  std::string unzipped;           // the KML document of a KMZ
  std::string converted;          // a UTF-16 file as UTF-8
};

// Makes the whole content of a file `content` ready in `doc`, which refers to it. A KMZ
// gives the KML document it holds, a UTF-16 file its text as UTF-8; the format is told
// from the first character after a byte order mark and white space: '<' for XML, '{' for
// JSON. A KMZ without a KML document, a damaged one, text that cannot be converted and
// binary data that is neither a zip archive nor text are refused through `reader`.
void openDocument(std::string_view content, document& doc, const routeReader& reader);
