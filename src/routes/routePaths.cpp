#include "routes/routePaths.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/textOut.h"

namespace {

// A name as a one-line message can quote it.
std::string quotedName(const std::string& name) {
  if (name.empty()) return "(no name)";
  const size_t longest = 60;
  std::string shown = name.size() > longest ? name.substr(0, longest) + "..." : name;
  std::replace_if(
      shown.begin(), shown.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  return "\"" + shown + "\"";
}

// A list the operator reads at a glance: a file of a thousand tracks names the first few.
constexpr size_t shownPaths = 20;
constexpr size_t shownNumbers = 5;

bool allDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number `text` of digits names; 0 when it is beyond any file's number of paths.
size_t pathNumber(const std::string& text) {
  const size_t first = std::min(text.find_first_not_of('0'), text.size());
  if (text.size() - first > 12) return 0;
  return text.size() == first ? 0 : static_cast<size_t>(std::stoull(text.substr(first)));
}

}  // namespace

void addPlace(std::string& places, const std::string& lonText, const std::string& latText) {
  const std::optional<double> lon = wholeNumber(lonText);
  const std::optional<double> lat = wholeNumber(latText);
  if (lon && lat) {
    places += numberText::general(*lat, 17).text() + " " + numberText::general(*lon, 17).text() + "\n";
  } else {
    places += latText + " " + lonText + "\n";
  }
}

size_t choosePath(const std::vector<pathCandidate>& candidates, const char* kind, routeReader& route) {
  // The first path of each set of the same positions stands for them all.
  std::map<std::string_view, size_t> firstOf;
  std::vector<size_t> distinct;
  std::vector<std::string> alsoAs(candidates.size());
  std::vector<size_t> alsoCount(candidates.size());
  std::vector<size_t> sameAs(candidates.size());
  for (size_t i = 0; i < candidates.size(); ++i) {
    const auto [at, added] = firstOf.emplace(candidates[i].places, i);
    sameAs[i] = at->second;
    if (added) {
      distinct.push_back(i);
    } else if (++alsoCount[at->second] <= shownNumbers) {
      alsoAs[at->second] += (alsoAs[at->second].empty() ? "" : ", ") + std::to_string(i + 1);
    }
  }
  const std::string kinds = std::string(kind) + "s";
  const auto listed = [&] {
    std::vector<std::string> lines;
    for (size_t i : distinct) {
      if (lines.size() == shownPaths) {
        const size_t more = distinct.size() - shownPaths;
        lines.push_back("and " + std::to_string(more) + " more " + (more == 1 ? std::string(kind) : kinds));
        break;
      }
      std::string line = std::string(kind) + " " + std::to_string(i + 1) + " " + quotedName(candidates[i].name) + ": " +
                         plural(candidates[i].points, "position", "positions");
      if (!alsoAs[i].empty()) {
        const size_t more = alsoCount[i] > shownNumbers ? alsoCount[i] - shownNumbers : 0;
        line += " (the same as " + std::string(kind) + " " + alsoAs[i] +
                (more > 0 ? " and " + std::to_string(more) + " more" : "") + ")";
      }
      lines.push_back(line);
    }
    return lines;
  };
  const std::string held = plural(distinct.size(), kind, kinds.c_str());
  const std::string& choice = route.pathChoice;
  if (!choice.empty()) {
    route.pathChosen = true;
    if (allDigits(choice)) {
      const size_t number = pathNumber(choice);
      if (number >= 1 && number <= candidates.size()) return number - 1;
      route.refuseFile("has no " + std::string(kind) + " " + choice + " for --path; it holds " + held, listed());
    }
    // Paths of one name and the same positions are one path.
    std::vector<size_t> named;
    std::set<size_t> namedSets;
    for (size_t i = 0; i < candidates.size(); ++i) {
      if (candidates[i].name == choice && namedSets.insert(sameAs[i]).second) named.push_back(i);
    }
    if (named.size() == 1) return named[0];
    if (named.empty()) {
      route.refuseFile("has no " + std::string(kind) + " named " + quotedName(choice) + " for --path; it holds " + held,
                       listed());
    }
    route.refuseFile("has " + std::to_string(named.size()) + " " + kinds + " named " + quotedName(choice) +
                         "; pick one by its number with --path N",
                     listed());
  }
  if (distinct.size() == 1) {
    if (candidates.size() > 1) {
      route.warn(route.fileName() + ": its " + std::to_string(candidates.size()) + " " + kinds +
                 " have the same positions; they are read as one");
    }
    return distinct[0];
  }
  route.refuseFile("holds " + held + "; pick one with --path N or --path NAME, or keep one in the file", listed());
}

std::string leftOutText(const std::vector<std::string>& kinds) {
  std::vector<std::pair<std::string, size_t>> counted;
  std::map<std::string, size_t> at;
  bool area = false;
  for (const std::string& kind : kinds) {
    const auto [found, added] = at.emplace(kind, counted.size());
    if (added) counted.emplace_back(kind, 0);
    ++counted[found->second].second;
    area = area || kind == "Polygon" || kind == "MultiPolygon";
  }
  std::string text;
  for (auto [kind, count] : counted) {
    // Several of "Point in an Update" are "Points in an Update".
    if (count > 1) kind.insert(std::min(kind.find(' '), kind.size()), "s");
    text += (text.empty() ? "" : ", ") + (count == 1 ? kind : std::to_string(count) + " " + kind);
  }
  // An operator who drew the area to survey gave it where a route was asked for.
  if (area) text += "; to survey an area, give it with --area FILE";
  return text;
}
