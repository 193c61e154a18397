// The walk through an XML document that the route and area readers share: elements by
// their names in any namespace, the lines of the file they stand on, and the tuples of a
// KML coordinates element.
#pragma once

#include <cstddef>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "routes/routeReader.h"

// An element's name without its namespace prefix ("kml" for "kml:kml").
std::string_view localName(const pugi::xml_node& element);

// The child elements of `parent` named `name`, in order.
std::vector<pugi::xml_node> childrenNamed(const pugi::xml_node& parent, std::string_view name);

// Calls `visit` for every element below `root`, in document order.
template <typename Visit>
void forEachElement(const pugi::xml_node& root, Visit visit) {
  pugi::xml_node n = root.first_child();
  while (n) {
    if (n.type() == pugi::node_element) visit(n);
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (!n.next_sibling()) {
      n = n.parent();
      if (n == root) return;
    }
    n = n.next_sibling();
  }
}

// Calls `enter` for every element below `root` in document order, and `leave` for it once
// every element within it has been entered and left, so that a reader knows what holds an
// element without looking up from it.
template <typename Enter, typename Leave>
void walkElements(const pugi::xml_node& root, Enter enter, Leave leave) {
  pugi::xml_node n = root.first_child();
  while (n) {
    const bool element = n.type() == pugi::node_element;
    if (element) enter(n);
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    if (element) leave(n);
    while (!n.next_sibling()) {
      n = n.parent();
      if (n == root) return;
      leave(n);
    }
    n = n.next_sibling();
  }
}

// Lines of a document at byte offsets. Asked in document order it reads the document once,
// so that a file of a million waypoints costs no more than one pass.
class lineFinder {
 public:
  explicit lineFinder(std::string_view content) : content_(content) {}
  // The line at `offset`; 0 for an offset that is not known (negative).
  long long lineAt(ptrdiff_t offset);

 private:
  std::string_view content_;
  size_t pos_ = 0;
  long long line_ = 1;
};

// A document that is not well-formed is refused with the parser's reason and line.
void refuseIfNotWellFormed(const pugi::xml_parse_result& parsed, std::string_view content, const routeReader& reader);

// The text of a KML coordinates element, its pieces joined.
std::string coordinatesText(const pugi::xml_node& coordinates);

// Calls `visit(tuple, line)` for every tuple of the coordinates text `text`, separated by
// blanks and line ends, with the line of the file it stands on, counted from `line`, the
// line the text starts on (0: not known, and then none is told). Returns the line the text
// ends on.
template <typename Visit>
long long forEachTuple(std::string_view text, long long line, Visit visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (isSpace(text[pos])) {
      if (text[pos] == '\n' && line > 0) ++line;
      ++pos;
      continue;
    }
    size_t end = pos;
    while (end < text.size() && !isSpace(text[end])) ++end;
    visit(text.substr(pos, end - pos), line);
    pos = end;
  }
  return line;
}
