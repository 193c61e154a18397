// What every part of the plan's picture is drawn with: numbers written the same on every
// platform, text made safe for XML, the room a text takes, boxes that must not overlap,
// and paths that merge points closer than a pixel, so that a long route stays a small file.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A point of the picture, in pixels: x to the right, y downward.
struct point {
  double x = 0;
  double y = 0;
};

struct box {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;

  bool overlaps(const box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
  bool inside(const box& outer) const {
    return left >= outer.left && right <= outer.right && top >= outer.top && bottom <= outer.bottom;
  }
};

// A coordinate or length of the picture to a tenth of a pixel, without trailing zeros
// ("12.5", "-3", "0"). A value that is not finite is written as 0: no viewer can draw it.
std::string px(double value);

// `text` as XML character data or attribute value: & < > " escaped, and every byte that is
// not part of a UTF-8 character, and every control character, shown as U+FFFD. The texts
// come from file names and route files as the operator gave them.
std::string xmlText(std::string_view text);

// `text` cut to at most `width` pixels in a font of `size`, ending in "..." when cut.
std::string fitted(std::string_view text, double size, double width);

// `text` broken at blanks into lines of at most `width` pixels; a word wider than a line
// is cut.
std::vector<std::string> wrapped(std::string_view text, double size, double width);

// Generous estimate of the width of `text` in a sans-serif font of `size` pixels: the
// picture is drawn with whatever font the viewer has, and labels must not overlap in any.
double textWidth(std::string_view text, double size);

enum class anchor { start, middle, end };

// The box the text takes whose baseline starts (start), is centred (middle) or ends (end)
// at `at`.
box textBox(point at, std::string_view text, double size, anchor how);

// `<text x=.. y=..>text</text>`, with `attributes` (which begin with a blank) on the element.
std::string textElement(point at, std::string_view text, anchor how, std::string_view attributes = "");

// Boxes already taken on the picture. A query looks only at the boxes in the grid cells
// it touches, so that placing the labels of a long route costs time in proportion to it.
class boxSet {
 public:
  explicit boxSet(double cellSize = 32) : cell_(cellSize) {}
  bool isFree(const box& b) const;
  void take(const box& b);
  // Takes `b` when it is free; says whether it did.
  bool takeIfFree(const box& b) {
    if (!isFree(b)) return false;
    take(b);
    return true;
  }

 private:
  template <typename Visit>
  bool eachCell(const box& b, Visit visit) const;
  double cell_;
  std::vector<box> boxes_;
  std::unordered_map<long long, std::vector<size_t>> cells_;
};

// The `d` attribute of a path. Points of a line closer than `merge` pixels to the last
// point kept are left out; the end of every line is kept.
class pathData {
 public:
  explicit pathData(double merge = 0.75) : merge_(merge) {}
  void moveTo(point p);
  void lineTo(point p);
  // Ends the line being drawn, writing its last point if it was left out.
  void endLine();
  // Marks as closed shapes with real extent, for a path filled rather than stroked: a
  // line of length 0 drawn by its caps alone is left out by some renderers.
  // A circle of radius `r` around `p`, as two half circles.
  void circle(point p, double r);
  // A square around `p`, `half` from the middle to each side.
  void square(point p, double half);
  // A closed polygon of the points, merged as a line is.
  void polygon(const std::vector<point>& points);
  // A rectangle from (x0, y0) to (x1, y1).
  void rectangle(double x0, double y0, double x1, double y1);
  bool empty() const { return text_.empty() && !pending_; }
  // The attribute's text, every line ended.
  const std::string& text();

 private:
  void put(char command, point p);
  double merge_;
  std::string text_;
  char lastCommand_ = 0;
  point last_;     // the last point written
  point skipped_;  // the last point left out, written if the line ends there
  bool pending_ = false;
};

// Points of a curve in time order (x growing) merged to what one pixel column can show:
// in each column the first point, the lowest and the highest, and the last, in the order
// they come. Thousands of legs on a profile a thousand pixels wide become a few thousand
// points that draw the same picture.
class columnPath {
 public:
  // `penDown` false starts a new line at `p`; inside a column already holding points a
  // gap narrower than the column is drawn as part of the line.
  void add(point p, bool penDown = true);
  // The path's `d` attribute.
  std::string finish();

 private:
  void flush();
  pathData path_{0.05};  // drops a point repeated where one phase ends and the next begins
  bool open_ = false;
  long long column_ = 0;
  point first_, low_, high_, last_;
  bool firstPenDown_ = false;
  size_t lowOrder_ = 0, highOrder_ = 0, count_ = 0;
};
