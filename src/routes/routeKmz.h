// Route files saved as KMZ, the zipped KML that a virtual globe saves a place as by
// default: the KML document inside is taken out here and read as any KML file is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whether `content` is a zip archive: it starts with the signature of a zip entry, or of
// the directory of an empty archive.
bool isZip(std::string_view content);

// The largest KML document a KMZ may hold once inflated. Far beyond any route (a million
// waypoints take some 40 MB), it keeps a small file that inflates without end from filling
// the memory of a field laptop.
constexpr size_t maxKmlBytes = size_t{256} << 20;

struct kmzDocument {
  std::string name;     // the entry read: doc.kml, else the first .kml at the top level
  std::string kml;      // its content
  std::string problem;  // why the archive gives no KML document, after its file name
};

// The KML document of the zip archive `zip`. An archive without one, an encrypted entry, a
// damaged archive and an entry that inflates beyond `limit` bytes give a problem that says
// what was found; the size an entry claims is never trusted.
kmzDocument kmlOfKmz(std::string_view zip, size_t limit = maxKmlBytes);
