#include "picture/svgDraw.h"

#include <algorithm>
#include <cmath>

#include "text/characters.h"

namespace {

// Calls `visit(code, bytes)` for every character of `text`; bytes that are no character
// come as one character U+FFFD each.
template <typename Visit>
void eachCharacter(std::string_view text, Visit visit) {
  for (size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const size_t length = utf8Length(text, at, code);
    if (length == 0) {
      visit(0xFFFDu, std::string_view());
      ++at;
    } else {
      visit(code, text.substr(at, length));
      at += length;
    }
  }
}

// `text` with every byte that is no character replaced by U+FFFD, so that a cut text's
// length in bytes is that of the text it was cut from.
std::string utf8Only(std::string_view text) {
  std::string out;
  eachCharacter(text, [&](unsigned, std::string_view bytes) { out += bytes.empty() ? "\xEF\xBF\xBD" : bytes; });
  return out;
}

// Width of one character in ems. Digits, which most labels are, take 0.64 em in the
// widest common sans-serif fonts; the other figures are as generous.
double characterWidth(unsigned code) {
  if (code >= '0' && code <= '9') return 0.64;
  if (code == ' ') return 0.32;
  if (code == 'm' || code == 'w') return 0.98;
  if (code == 'M' || code == 'W') return 1.0;
  if (code >= 'A' && code <= 'Z') return 0.78;
  if (code >= 'a' && code <= 'z') return 0.64;
  if (code < 0x80) return 0.5;   // punctuation
  if (code == 0xB0) return 0.5;  // the degree sign
  return 1.0;
}

}  // namespace

std::string px(double value) {
  if (!std::isfinite(value)) return "0";
  const double tenths = std::nearbyint(std::clamp(value, -1e12, 1e12) * 10);
  const long long n = static_cast<long long>(tenths);
  if (n == 0) return "0";
  const unsigned long long magnitude = n < 0 ? static_cast<unsigned long long>(-n) : static_cast<unsigned long long>(n);
  std::string text = n < 0 ? "-" : "";
  text += std::to_string(magnitude / 10);
  if (magnitude % 10 != 0) text += "." + std::to_string(magnitude % 10);
  return text;
}

std::string xmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  eachCharacter(text, [&](unsigned code, std::string_view bytes) {
    if (code == '&') {
      out += "&amp;";
    } else if (code == '<') {
      out += "&lt;";
    } else if (code == '>') {
      out += "&gt;";
    } else if (code == '"') {
      out += "&quot;";
    } else if (code == '\t') {
      out += ' ';
    } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0xFFFE || code == 0xFFFF || bytes.empty()) {
      out += "\xEF\xBF\xBD";  // U+FFFD
    } else {
      out += bytes;
    }
  });
  return out;
}

double textWidth(std::string_view text, double size) {
  double ems = 0;
  eachCharacter(text, [&](unsigned code, std::string_view) { ems += characterWidth(code); });
  return ems * size;
}

std::string fitted(std::string_view original, double size, double width) {
  const std::string text = utf8Only(original);
  if (textWidth(text, size) <= width) return text;
  const double room = width - textWidth("...", size);
  std::string out;
  double used = 0;
  bool full = false;
  eachCharacter(text, [&](unsigned code, std::string_view bytes) {
    if (full) return;
    const double w = characterWidth(code) * size;
    if (used + w > room) {
      full = true;
      return;
    }
    used += w;
    out += bytes;
  });
  return out + "...";
}

std::vector<std::string> wrapped(std::string_view original, double size, double width) {
  const std::string whole = utf8Only(original);
  const std::string_view text = whole;
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < text.size()) {
    const size_t blank = text.find(' ', at);
    const std::string_view word =
        text.substr(at, blank == std::string_view::npos ? std::string_view::npos : blank - at);
    at = blank == std::string_view::npos ? text.size() : blank + 1;
    if (word.empty()) continue;
    const std::string candidate = line.empty() ? std::string(word) : line + " " + std::string(word);
    if (textWidth(candidate, size) <= width) {
      line = candidate;
      continue;
    }
    if (!line.empty()) lines.push_back(line);
    line = std::string(word);
    // A word too long for any line (a path, a quoted line of the route file) is cut.
    while (textWidth(line, size) > width) {
      std::string head = fitted(line, size, width);
      head.resize(head.size() - 3);
      if (head.empty()) break;
      lines.push_back(head);
      line.erase(0, head.size());
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

box textBox(point at, std::string_view text, double size, anchor how) {
  const double width = textWidth(text, size);
  const double left = how == anchor::start ? at.x : how == anchor::middle ? at.x - width / 2 : at.x - width;
  return {left, at.y - 0.8 * size, left + width, at.y + 0.22 * size};
}

std::string textElement(point at, std::string_view text, anchor how, std::string_view attributes) {
  std::string out = "<text x=\"" + px(at.x) + "\" y=\"" + px(at.y) + "\"";
  if (how == anchor::middle) out += " text-anchor=\"middle\"";
  if (how == anchor::end) out += " text-anchor=\"end\"";
  out += attributes;
  out += ">" + xmlText(text) + "</text>";
  return out;
}

template <typename Visit>
bool boxSet::eachCell(const box& b, Visit visit) const {
  // Boxes far off the picture are folded onto its edge cells: they still meet each other.
  const auto index = [&](double v) { return static_cast<long long>(std::floor(std::clamp(v, -1e6, 1e6) / cell_)); };
  for (long long i = index(b.left); i <= index(b.right); ++i) {
    for (long long j = index(b.top); j <= index(b.bottom); ++j) {
      if (!visit(i * 1000003 + j)) return false;
    }
  }
  return true;
}

bool boxSet::isFree(const box& b) const {
  return eachCell(b, [&](long long key) {
    const auto found = cells_.find(key);
    if (found == cells_.end()) return true;
    return std::none_of(found->second.begin(), found->second.end(), [&](size_t i) { return boxes_[i].overlaps(b); });
  });
}

void boxSet::take(const box& b) {
  boxes_.push_back(b);
  eachCell(b, [&](long long key) {
    cells_[key].push_back(boxes_.size() - 1);
    return true;
  });
}

void pathData::put(char command, point p) {
  // A line continued needs no second L.
  text_ += command == 'L' && lastCommand_ == 'L' ? ' ' : command;
  text_ += px(p.x) + " " + px(p.y);
  last_ = p;
  lastCommand_ = command;
}

void pathData::moveTo(point p) {
  endLine();
  put('M', p);
}

void pathData::lineTo(point p) {
  if (std::hypot(p.x - last_.x, p.y - last_.y) < merge_) {
    skipped_ = p;
    pending_ = true;
    return;
  }
  put('L', p);
  pending_ = false;
}

void pathData::endLine() {
  if (pending_) put('L', skipped_);
  pending_ = false;
}

void pathData::circle(point p, double r) {
  endLine();
  put('M', {p.x - r, p.y});
  const std::string radii = "a" + px(r) + " " + px(r) + " 0 1 0 ";
  text_ += radii + px(2 * r) + " 0" + radii + px(-2 * r) + " 0Z";
  lastCommand_ = 'Z';
}

void pathData::square(point p, double half) { rectangle(p.x - half, p.y - half, p.x + half, p.y + half); }

void pathData::polygon(const std::vector<point>& points) {
  if (points.empty()) return;
  moveTo(points.front());
  for (size_t i = 1; i < points.size(); ++i) lineTo(points[i]);
  pending_ = false;  // the closing edge ends at the first point
  text_ += 'Z';
  lastCommand_ = 'Z';
}

void pathData::rectangle(double x0, double y0, double x1, double y1) {
  endLine();
  put('M', {x0, y0});
  text_ += "H" + px(x1) + "V" + px(y1) + "H" + px(x0) + "Z";
  lastCommand_ = 'Z';
}

const std::string& pathData::text() {
  endLine();
  return text_;
}

void columnPath::add(point p, bool penDown) {
  const long long column = static_cast<long long>(std::floor(std::clamp(p.x, -1e9, 1e9)));
  if (open_ && column == column_) {
    ++count_;
    if (p.y < high_.y) {
      high_ = p;
      highOrder_ = count_ - 1;
    }
    if (p.y > low_.y) {
      low_ = p;
      lowOrder_ = count_ - 1;
    }
    last_ = p;
    return;
  }
  if (open_) flush();
  open_ = true;
  column_ = column;
  first_ = low_ = high_ = last_ = p;
  firstPenDown_ = penDown;
  lowOrder_ = highOrder_ = 0;
  count_ = 1;
}

void columnPath::flush() {
  if (firstPenDown_ && !path_.empty()) {
    path_.lineTo(first_);
  } else {
    path_.moveTo(first_);
  }
  if (count_ == 1) return;
  const size_t lastOrder = count_ - 1;
  struct ordered {
    size_t order;
    point p;
  };
  std::vector<ordered> inside;
  if (highOrder_ != 0 && highOrder_ != lastOrder) inside.push_back({highOrder_, high_});
  if (lowOrder_ != 0 && lowOrder_ != lastOrder && lowOrder_ != highOrder_) inside.push_back({lowOrder_, low_});
  std::sort(inside.begin(), inside.end(), [](const ordered& a, const ordered& b) { return a.order < b.order; });
  for (const ordered& o : inside) path_.lineTo(o.p);
  path_.lineTo(last_);
}

std::string columnPath::finish() {
  if (open_) flush();
  open_ = false;
  return path_.text();
}
