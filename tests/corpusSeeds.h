// The seeds of the fuzz corpus, built into the replay program so that it runs on any
// machine, a Windows laptop included, without the source tree beside it.
#pragma once

#include <string>
#include <vector>

struct corpusSeed {
  std::string target;  // the fuzz target whose folder holds it: route, dialogue, kml_gpx, geojson_csv
  std::string name;
  std::string content;
};

// Every file of fuzz/corpus, in the order of their paths.
std::vector<corpusSeed> corpusSeeds();
