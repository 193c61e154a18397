#include "routes/xmlWalk.h"

#include <algorithm>
#include <string>

std::string_view localName(const pugi::xml_node& element) {
  const std::string_view name = element.name();
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::vector<pugi::xml_node> childrenNamed(const pugi::xml_node& parent, std::string_view name) {
  std::vector<pugi::xml_node> found;
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() == pugi::node_element && localName(child) == name) found.push_back(child);
  }
  return found;
}

long long lineFinder::lineAt(ptrdiff_t offset) {
  if (offset < 0) return 0;
  const size_t target = std::min(static_cast<size_t>(offset), content_.size());
  if (target < pos_) {
    pos_ = 0;
    line_ = 1;
  }
  line_ += std::count(content_.begin() + static_cast<ptrdiff_t>(pos_),
                      content_.begin() + static_cast<ptrdiff_t>(target), '\n');
  pos_ = target;
  return line_;
}

void refuseIfNotWellFormed(const pugi::xml_parse_result& parsed, std::string_view content, const routeReader& reader) {
  if (!parsed) {
    reader.refuseFile("is not well-formed XML: " + std::string(parsed.description()) + " at line " +
                      std::to_string(lineFinder(content).lineAt(parsed.offset)));
  }
}

std::string coordinatesText(const pugi::xml_node& coordinates) {
  std::string text;
  for (const pugi::xml_node& piece : coordinates.children()) text += piece.value();
  return text;
}
