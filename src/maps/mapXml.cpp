#include "maps/mapXml.h"

#include <algorithm>
#include <cmath>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "geo/longitude.h"
#include "maps/mapWaypoints.h"
#include "text/version.h"

namespace {

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
void emitXml(const plannedMission& mission, const pugi::xml_document& frame, const pugi::xml_node& element,
             unsigned depth, Fill fill, textOut& out) {
  stringWriter toText;
  frame.save(toText, indent, pugi::format_default, pugi::encoding_utf8);
  const std::string& text = toText.text;
  const size_t mark = text.find(placeholder);
  const size_t lineStart = text.rfind('\n', mark) + 1;
  const size_t lineEnd = text.find('\n', mark) + 1;
  out.lines(std::string_view(text).substr(0, lineStart));
  outWriter writer(out);
  forEachPoint(mission, [&](const mapPoint& p) {
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

}  // namespace

void kmlText(const plannedMission& mission, const std::string& name, textOut& out) {
  const routeTotals t = totals(mission);
  double south = 90;
  double north = -90;
  double west = 0;
  double east = 0;
  unwrappedLongitude unwrapped;
  std::string line;
  forEachPoint(mission, [&](const mapPoint& p) {
    south = std::min(south, p.w->lat);
    north = std::max(north, p.w->lat);
    const double lon = unwrapped.next(p.w->lon);
    const bool first = p.w == &mission.waypoints.front();
    west = first ? lon : std::min(west, lon);
    east = first ? lon : std::max(east, lon);
    if (!line.empty()) line += ' ';
    line += decimal(p.w->lon, degreePlaces) + "," + decimal(p.w->lat, degreePlaces);
  });

  pugi::xml_document frame;
  declaration(frame);
  pugi::xml_node kml = frame.append_child("kml");
  kml.append_attribute("xmlns") = "http://www.opengis.net/kml/2.2";
  pugi::xml_node document = kml.append_child("Document");
  setText(document, "name", name);
  setText(document, "open", "1");
  setText(document, "description", "Planned route: " + routeSummary(mission, t));
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
  setText(routeMark, "description", routeSummary(mission, t));
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
      mission, frame, placemark, 3,
      [&](const mapPoint& p) {
        setText(placemark, "name", std::to_string(p.w->number));
        setText(placemark, "description", description(p));
        setText(placemark, "styleUrl", std::string("#") + p.kind);
        const std::string values[] = {p.kind, decimal(p.w->legMeters, meterPlaces),
                                      decimal(p.w->heading, headingPlaces), decimal(p.w->legSecs, secondPlaces),
                                      decimal(p.fromLaunch, secondPlaces)};
        size_t i = 0;
        for (pugi::xml_node data : extended.children("Data")) data.child("value").text().set(values[i++].c_str());
        setText(point, "coordinates", decimal(p.w->lon, degreePlaces) + "," + decimal(p.w->lat, degreePlaces));
      },
      out);
}

void gpxText(const plannedMission& mission, const std::string& name, textOut& out) {
  const routeTotals t = totals(mission);
  pugi::xml_document frame;
  declaration(frame);
  pugi::xml_node gpx = frame.append_child("gpx");
  gpx.append_attribute("version") = "1.1";
  gpx.append_attribute("creator") = (std::string("vesk ") + veskVersion).c_str();
  gpx.append_attribute("xmlns") = "http://www.topografix.com/GPX/1/1";
  pugi::xml_node metadata = gpx.append_child("metadata");
  setText(metadata, "name", name);
  setText(metadata, "desc", "Planned route: " + routeSummary(mission, t));
  pugi::xml_node rte = gpx.append_child("rte");
  setText(rte, "name", "Planned route");
  setText(rte, "desc", routeSummary(mission, t));
  rte.append_child(pugi::node_comment).set_value("waypoints");

  pugi::xml_document item;
  pugi::xml_node rtept = item.append_child("rtept");
  rtept.append_attribute("lat");
  rtept.append_attribute("lon");
  setText(rtept, "name", "");
  setText(rtept, "desc", "");
  setText(rtept, "type", "");
  emitXml(
      mission, frame, rtept, 2,
      [&](const mapPoint& p) {
        rtept.attribute("lat").set_value(decimal(p.w->lat, degreePlaces).c_str());
        rtept.attribute("lon").set_value(decimal(p.w->lon, degreePlaces).c_str());
        setText(rtept, "name", std::to_string(p.w->number));
        setText(rtept, "desc", description(p));
        setText(rtept, "type", p.kind);
      },
      out);
}
