#include "maps/mapExport.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "geo/longitude.h"
#include "picture/svgMap.h"
#include "report/routeReport.h"
#include "settings.h"
#include "wptList.h"

namespace {

using orderedJson = nlohmann::ordered_json;

// Decimal places of the values in the maps: coordinates to a hundredth of a millimetre,
// lengths to the millimetre, headings to a micro-degree, times to the millisecond. A map shows the
// plan; printing every bit would only show where two machines' maths libraries differ in
// their last bit.
constexpr int degreePlaces = 10;
constexpr int meterPlaces = 3;
constexpr int headingPlaces = 6;
constexpr int secondPlaces = 3;

// `value` to `places` decimals, as a number the same on every platform.
double rounded(double value, int places) {
  double scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;  // exact, unlike a library's pow
  return std::nearbyint(value * scale) / scale;
}

// The same as text, without an exponent (GPX and KML want plain decimals) and without
// trailing zeros.
std::string decimal(double value, int places) { return numberText::shortest(rounded(value, places)).text(); }

// One waypoint of the planned route as the map shows it.
struct mapPoint {
  const node* n;
  const char* kind;   // "launch", "waypoint" or "surfacing"
  double fromLaunch;  // seconds from the launch waypoint to this one
};

const char* kindOf(const node* n) {
  if (n == headNodePtr) return "launch";
  return n->inserted ? "surfacing" : "waypoint";
}

const char* kindDescription(const char* kind) {
  if (kind[0] == 'l') return "launch waypoint";
  if (kind[0] == 's') return "surfacing added by leg splitting";
  return "given waypoint";
}

std::string description(const mapPoint& p) {
  std::string text = kindDescription(p.kind);
  if (p.n->nextPtr != nullptr) {
    text += "; leg " + numberText::fixed(p.n->legMeters, 1).text() + " m at heading " +
            numberText::fixed(p.n->heading, 1).text() + ", " + clockTime(p.n->legSecs);
  } else {
    text += "; end of the route";
  }
  return text + "; " + clockTime(p.fromLaunch) + " from launch";
}

// Calls `visit` for every waypoint from the launch waypoint to the last one.
template <typename Visit>
void forEachPoint(Visit visit) {
  double fromLaunch = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    visit(mapPoint{n, kindOf(n), fromLaunch});
    fromLaunch += n->legSecs;
  }
}

// The route's longitudes made continuous across 180°: each differs from the one before by
// at most 180°, as the vehicle's legs go the short way round, so -179.9 after 179.9 is
// 180.1. Only the middle and the breadth of the route are taken from these.
class unwrappedLongitude {
 public:
  double next(double lon) {
    if (started_) {
      if (lon - previous_ > 180) offset_ -= 360;
      if (lon - previous_ < -180) offset_ += 360;
    }
    started_ = true;
    previous_ = lon;
    return lon + offset_;
  }

 private:
  bool started_ = false;
  double previous_ = 0;
  double offset_ = 0;
};

struct routeTotals {
  long long waypoints = 0;
  double meters = 0;
  double seconds = 0;
};

routeTotals totals() {
  routeTotals t;
  forEachPoint([&](const mapPoint& p) {
    ++t.waypoints;
    t.meters += p.n->legMeters;
    t.seconds += p.n->legSecs;
  });
  return t;
}

std::string routeSummary(const routeTotals& t) {
  return std::to_string(t.waypoints) + " waypoints, " + numberText::fixed(t.meters / 1000, 3).text() + " km, " +
         clockTime(t.seconds) + " at " + numberText::general(missionSpeed, 6).text() + " m/s";
}

// Sends pugixml's output on to a text output, its "\n" line ends written as the output's.
class outWriter : public pugi::xml_writer {
 public:
  explicit outWriter(textOut& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_.lines(std::string_view(static_cast<const char*>(data), size));
  }

 private:
  textOut& out_;
};

// Keeps pugixml's output as it is.
class stringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
  std::string text;
};

const char* const indent = "  ";
const char* const placeholder = "<!--waypoints-->";

// Writes the document `frame`, whose placeholder comment stands where the waypoints go,
// with `element` printed once for every waypoint in its place after `fill` has given it
// that waypoint's values. One element is reused, so a long route never has to be held
// in memory as a document.
template <typename Fill>
void emitXml(const pugi::xml_document& frame, const pugi::xml_node& element, unsigned depth, Fill fill, textOut& out) {
  stringWriter toText;
  frame.save(toText, indent, pugi::format_default, pugi::encoding_utf8);
  const std::string& text = toText.text;
  const size_t mark = text.find(placeholder);
  const size_t lineStart = text.rfind('\n', mark) + 1;
  const size_t lineEnd = text.find('\n', mark) + 1;
  out.lines(std::string_view(text).substr(0, lineStart));
  outWriter writer(out);
  forEachPoint([&](const mapPoint& p) {
    fill(p);
    element.print(writer, indent, pugi::format_default, pugi::encoding_utf8, depth);
  });
  out.lines(std::string_view(text).substr(lineEnd));
}

pugi::xml_node declaration(pugi::xml_document& doc) {
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  return decl;
}

void setText(pugi::xml_node parent, const char* child, const std::string& value) {
  pugi::xml_node element = parent.child(child);
  if (!element) element = parent.append_child(child);
  element.text().set(value.c_str());
}

void addStyle(pugi::xml_node document, const char* id, const char* color, const char* scale) {
  pugi::xml_node style = document.append_child("Style");
  style.append_attribute("id") = id;
  pugi::xml_node icon = style.append_child("IconStyle");
  setText(icon, "color", color);
  setText(icon, "scale", scale);
  setText(style.append_child("LabelStyle"), "scale", "0.8");
}

// KML: the route and a folder of the waypoints, one style per kind of waypoint, and a view
// that opens on the whole route.
void kmlText(const std::string& name, textOut& out) {
  const routeTotals t = totals();
  double south = 90;
  double north = -90;
  double west = 0;
  double east = 0;
  unwrappedLongitude unwrapped;
  std::string line;
  forEachPoint([&](const mapPoint& p) {
    south = std::min(south, p.n->Lat);
    north = std::max(north, p.n->Lat);
    const double lon = unwrapped.next(p.n->Lon);
    west = p.n == headNodePtr ? lon : std::min(west, lon);
    east = p.n == headNodePtr ? lon : std::max(east, lon);
    if (!line.empty()) line += ' ';
    line += decimal(p.n->Lon, degreePlaces) + "," + decimal(p.n->Lat, degreePlaces);
  });

  pugi::xml_document frame;
  declaration(frame);
  pugi::xml_node kml = frame.append_child("kml");
  kml.append_attribute("xmlns") = "http://www.opengis.net/kml/2.2";
  pugi::xml_node document = kml.append_child("Document");
  setText(document, "name", name);
  setText(document, "open", "1");
  setText(document, "description", "Planned route: " + routeSummary(t));
  // A view from above the middle of the route, far enough out to show all of it.
  const double spanMeters =
      std::max(north - south, (east - west) * std::cos((south + north) / 2 * 3.14159265358979 / 180)) * 111195.0;
  pugi::xml_node lookAt = document.append_child("LookAt");
  setText(lookAt, "longitude", decimal(wrapLongitude((west + east) / 2), degreePlaces));
  setText(lookAt, "latitude", decimal((south + north) / 2, degreePlaces));
  setText(lookAt, "range", numberText::fixed(std::max(1000.0, spanMeters * 1.5), 0).text());
  pugi::xml_node routeStyle = document.append_child("Style");
  routeStyle.append_attribute("id") = "route";
  pugi::xml_node lineStyle = routeStyle.append_child("LineStyle");
  setText(lineStyle, "color", "ff0000ff");
  setText(lineStyle, "width", "3");
  addStyle(document, "launch", "ff00ff00", "1.2");
  addStyle(document, "waypoint", "ff00ffff", "1.0");
  addStyle(document, "surfacing", "ffffff00", "0.7");

  pugi::xml_node routeMark = document.append_child("Placemark");
  setText(routeMark, "name", "Planned route");
  setText(routeMark, "description", routeSummary(t));
  setText(routeMark, "styleUrl", "#route");
  pugi::xml_node lineString = routeMark.append_child("LineString");
  setText(lineString, "tessellate", "1");
  setText(lineString, "coordinates", line);
  line.clear();

  pugi::xml_node folder = document.append_child("Folder");
  setText(folder, "name", "Waypoints");
  folder.append_child(pugi::node_comment).set_value("waypoints");

  pugi::xml_document item;
  pugi::xml_node placemark = item.append_child("Placemark");
  const char* const fields[] = {"kind", "legMeters", "heading", "legSeconds", "secondsFromLaunch"};
  setText(placemark, "name", "");
  setText(placemark, "description", "");
  setText(placemark, "styleUrl", "");
  pugi::xml_node extended = placemark.append_child("ExtendedData");
  for (const char* field : fields) {
    pugi::xml_node data = extended.append_child("Data");
    data.append_attribute("name") = field;
    data.append_child("value");
  }
  pugi::xml_node point = placemark.append_child("Point");
  setText(point, "coordinates", "");
  emitXml(
      frame, placemark, 3,
      [&](const mapPoint& p) {
        setText(placemark, "name", std::to_string(p.n->wptNumber));
        setText(placemark, "description", description(p));
        setText(placemark, "styleUrl", std::string("#") + p.kind);
        const std::string values[] = {p.kind, decimal(p.n->legMeters, meterPlaces),
                                      decimal(p.n->heading, headingPlaces), decimal(p.n->legSecs, secondPlaces),
                                      decimal(p.fromLaunch, secondPlaces)};
        size_t i = 0;
        for (pugi::xml_node data : extended.children("Data")) data.child("value").text().set(values[i++].c_str());
        setText(point, "coordinates", decimal(p.n->Lon, degreePlaces) + "," + decimal(p.n->Lat, degreePlaces));
      },
      out);
}

// GPX 1.1: one route of route points, each named by its number and described.
void gpxText(const std::string& name, textOut& out) {
  const routeTotals t = totals();
  pugi::xml_document frame;
  declaration(frame);
  pugi::xml_node gpx = frame.append_child("gpx");
  gpx.append_attribute("version") = "1.1";
  gpx.append_attribute("creator") = (std::string("vesk ") + veskVersion).c_str();
  gpx.append_attribute("xmlns") = "http://www.topografix.com/GPX/1/1";
  pugi::xml_node metadata = gpx.append_child("metadata");
  setText(metadata, "name", name);
  setText(metadata, "desc", "Planned route: " + routeSummary(t));
  pugi::xml_node rte = gpx.append_child("rte");
  setText(rte, "name", "Planned route");
  setText(rte, "desc", routeSummary(t));
  rte.append_child(pugi::node_comment).set_value("waypoints");

  pugi::xml_document item;
  pugi::xml_node rtept = item.append_child("rtept");
  rtept.append_attribute("lat");
  rtept.append_attribute("lon");
  setText(rtept, "name", "");
  setText(rtept, "desc", "");
  setText(rtept, "type", "");
  emitXml(
      frame, rtept, 2,
      [&](const mapPoint& p) {
        rtept.attribute("lat").set_value(decimal(p.n->Lat, degreePlaces).c_str());
        rtept.attribute("lon").set_value(decimal(p.n->Lon, degreePlaces).c_str());
        setText(rtept, "name", std::to_string(p.n->wptNumber));
        setText(rtept, "desc", description(p));
        setText(rtept, "type", p.kind);
      },
      out);
}

// One value as JSON text, as the library writes it. Only single values are made as the
// library's documents: freeing a document of many takes memory of its own, which memory
// running out while a map is written must not need.
template <typename T>
void putJson(textOut& out, const T& value) {
  out.put(orderedJson(value).dump());
}

// Calls `visit(part, lon, lat)` for each position of the route line, as GeoJSON geometry
// gives it. A line that crosses 180° is cut there into parts of a MultiLineString
// (RFC 7946, 3.1.9), the crossing point on the line given at 180 and at -180, so that GIS
// tools draw the short way across the date line and not around the world.
template <typename Visit>
void forEachLinePosition(Visit visit) {
  size_t part = 0;
  std::optional<std::pair<double, double>> last;  // of the part
  // A crossing point that falls on a waypoint (one at 180 itself) is given once; two
  // waypoints at one place are both kept, one position each, as the waypoints are.
  bool endsInCrossing = false;
  const auto append = [&](double lon, double lat, bool crossing) {
    const std::pair<double, double> at{rounded(lon, degreePlaces), rounded(lat, degreePlaces)};
    if (!last || !(*last == at && (crossing || endsInCrossing))) visit(part, at.first, at.second);
    last = at;
    endsInCrossing = crossing;
  };
  const node* previous = nullptr;
  forEachPoint([&](const mapPoint& p) {
    const double lat = p.n->Lat;
    const double lon = p.n->Lon;
    if (previous != nullptr && std::fabs(lon - previous->Lon) > 180) {
      // Eastward across 180 the line leaves at 180 and comes back at -180; westward the
      // other way round. The crossing is interpolated in the continuous longitudes.
      const double side = lon < previous->Lon ? 180 : -180;
      const double continued = lon + 2 * side;
      const double along = continued == previous->Lon ? 0 : (side - previous->Lon) / (continued - previous->Lon);
      const double crossLat = previous->Lat + along * (lat - previous->Lat);
      append(side, crossLat, true);
      ++part;
      last.reset();
      append(-side, crossLat, true);
    }
    append(lon, lat, false);
    previous = p.n;
  });
}

// The route line as GeoJSON geometry, written as it is walked: a part of fewer than two
// positions (a crossing on a waypoint at 180) is left out, unless it is the only one.
void putRouteGeometry(textOut& out) {
  std::vector<size_t> sizes;
  forEachLinePosition([&](size_t part, double, double) {
    sizes.resize(std::max(sizes.size(), part + 1));
    ++sizes[part];
  });
  std::vector<bool> kept(sizes.size());
  size_t parts = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    kept[i] = sizes[i] >= 2 || (i + 1 == sizes.size() && parts == 0);
    parts += kept[i] ? 1 : 0;
  }
  out.put(parts == 1 ? "{\"type\":\"LineString\",\"coordinates\":["
                     : "{\"type\":\"MultiLineString\",\"coordinates\":[");
  bool firstPart = true;
  std::optional<size_t> open;
  forEachLinePosition([&](size_t part, double lon, double lat) {
    if (!kept[part]) return;
    if (open != part) {
      if (parts > 1) out.put(open ? "],[" : "[");
      firstPart = true;
      open = part;
    }
    out.put(firstPart ? "[" : ",[");
    putJson(out, lon);
    out.put(",");
    putJson(out, lat);
    out.put("]");
    firstPart = false;
  });
  out.put(parts > 1 ? "]]}" : "]}");
}

// GeoJSON (RFC 7946): a FeatureCollection of the route line and the waypoints, one
// feature a line, written as the waypoints are walked.
void geoJsonText(textOut& out) {
  const routeTotals t = totals();
  out.put("{\"type\":\"FeatureCollection\",\"features\":[");
  out.endLine();
  out.put("{\"type\":\"Feature\",\"geometry\":");
  putRouteGeometry(out);
  out.put(",\"properties\":{\"name\":\"Planned route\",\"waypoints\":");
  putJson(out, t.waypoints);
  out.put(",\"lengthMeters\":");
  putJson(out, rounded(t.meters, meterPlaces));
  out.put(",\"seconds\":");
  putJson(out, rounded(t.seconds, secondPlaces));
  out.put(",\"description\":");
  putJson(out, routeSummary(t));
  out.put("}}");
  forEachPoint([&](const mapPoint& p) {
    out.put(",");
    out.endLine();
    out.put("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[");
    putJson(out, rounded(p.n->Lon, degreePlaces));
    out.put(",");
    putJson(out, rounded(p.n->Lat, degreePlaces));
    out.put("]},\"properties\":{\"name\":");
    putJson(out, std::to_string(p.n->wptNumber));
    out.put(",\"number\":");
    putJson(out, p.n->wptNumber);
    out.put(",\"kind\":");
    putJson(out, p.kind);
    out.put(",\"legMeters\":");
    putJson(out, rounded(p.n->legMeters, meterPlaces));
    out.put(",\"heading\":");
    putJson(out, rounded(p.n->heading, headingPlaces));
    out.put(",\"legSeconds\":");
    putJson(out, rounded(p.n->legSecs, secondPlaces));
    out.put(",\"secondsFromLaunch\":");
    putJson(out, rounded(p.fromLaunch, secondPlaces));
    out.put(",\"description\":");
    putJson(out, description(p));
    out.put("}}");
  });
  out.endLine();
  out.put("]}");
  out.endLine();
}

}  // namespace

std::optional<mapFormat> mapFormatNamed(std::string_view name) {
  const std::string lower = lowerCase(name);
  for (const mapFormat format : {mapFormat::kml, mapFormat::gpx, mapFormat::geojson, mapFormat::svg}) {
    if (lower == mapExtension(format)) return format;
  }
  return std::nullopt;
}

const char* mapExtension(mapFormat format) {
  switch (format) {
    case mapFormat::kml: return "kml";
    case mapFormat::gpx: return "gpx";
    case mapFormat::svg: return "svg";
    case mapFormat::geojson: break;
  }
  return "geojson";
}

void mapText(mapFormat format, const std::string& name, textOut& out) {
  switch (format) {
    case mapFormat::kml: kmlText(name, out); return;
    case mapFormat::gpx: gpxText(name, out); return;
    case mapFormat::geojson: geoJsonText(out); return;
    case mapFormat::svg: svgText(name, out); return;
  }
}

std::string mapText(mapFormat format, const std::string& name) {
  std::string text;
  memoryTarget target(text);
  textOut out(target, "\n");
  mapText(format, name, out);
  out.flush();
  return text;
}
