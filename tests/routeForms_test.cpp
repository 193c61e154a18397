// Routes as spreadsheets, loggers, charts and archivers save them: CSV told from its
// header, degrees written with their marks, the slips of hand-typed text routes, and KMZ
// archives in the ZIP64 form. Each table gives a file's text and the positions it gives, or
// the reason it is refused, through the reader entry the program calls.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "routes/routeImport.h"

namespace {

struct expected {
  std::string name;
  std::string content;
  std::vector<geoPoint> route;  // empty: refused
  std::string refusal;          // the reason on standard error, or the message of a refused file
};

// Reads every case and compares its positions to a micrometre, or its refusal.
void check(const std::vector<expected>& cases) {
  for (size_t n = 0; n < cases.size(); ++n) {
    const expected& c = cases[n];
    // An archive is named by its place in the table rather than quoted.
    const std::string label = c.name.find(".kmz") != std::string::npos ? "case " + std::to_string(n) : c.content;
    std::vector<std::string> warnings;
    const result<std::vector<geoPoint>> read = readRoutePoints(c.content, c.name, warnings);
    if (c.route.empty()) {
      if (read.ok()) {
        ADD_FAILURE() << label << " is read";
        continue;
      }
      const failure& why = read.error();
      EXPECT_EQ(why.reason.empty() ? why.message : why.reason, c.refusal) << label;
      continue;
    }
    if (!read.ok()) {
      ADD_FAILURE() << label << ": " << read.error().message << read.error().reason;
      continue;
    }
    ASSERT_EQ(read->size(), c.route.size()) << label;
    for (size_t i = 0; i < c.route.size(); ++i) {
      EXPECT_NEAR((*read)[i].lat, c.route[i].lat, 1e-11) << label << " #" << i;
      EXPECT_NEAR((*read)[i].lon, c.route[i].lon, 1e-11) << label << " #" << i;
    }
    EXPECT_TRUE(warnings.empty()) << label << ": " << (warnings.empty() ? "" : warnings[0]);
  }
}

const std::vector<geoPoint> two = {{45, 10}, {45.5, -10.25}};

TEST(RouteForms, CsvSeparatorsCommentsAndDegreeCellsAreReadAsTheirToolsMeantThem) {
  const std::string deg = "\xC2\xB0";
  const double s = -(8 / 60.0 + 2.4 / 3600);  // S0 08'02.4"
  check({
      // The separator is told from the header row.
      {"r.csv", "lat\tlon\n45\t10\n45.5\t-10.25\n", two, ""},
      {"r.csv", "name|lat|lon\na|45|10\nb|45.5|-10.25\n", two, ""},
      {"r.csv", "| lat | lon |\n| 45 | 10 |\n| 45.5 | -10.25 |\n", two, ""},
      {"r.csv", "Latitude;Longitude\n45;10\n45.5;-10.25\n", two, ""},
      // A tab-separated header whose columns hold commas in their names.
      {"r.csv", "id\tnote, free\tlat\tlon\n1\ta, b\t45\t10\n2\t\t45.5\t-10.25\n", two, ""},
      // Comments and blank lines above the header; the lines of the rows are still named.
      {"r.csv", "# exported by a logger\r\n\r\n  # 2 fixes\r\nlat,lon\r\n45,10\r\n45.5,-10.25\r\n", two, ""},
      {"r.csv", "\xEF\xBB\xBF# route\nlat,lon\n45,10\n46,x\n", {}, "line 4: \"46,x\": the longitude is not a number"},
      {"r.csv",
       "# only\n#comments\n\n",
       {},
       "r.csv needs a header row naming its latitude and longitude columns, such as \"lat,lon\" (lat or latitude; lon, "
       "lng, long or longitude)\n"},
      // Degrees with their marks, signed or with a letter before or after.
      {"r.csv", "lat,lon\n\"S0 08'02.4\"\"\",\"W91 27'12\"\"\"\n", {{s, -(91 + 27 / 60.0 + 12 / 3600.0)}}, ""},
      {"r.csv", "lat;lon\n-1.234" + deg + ";-91.5" + deg + "\n", {{-1.234, -91.5}}, ""},
      // A quote opens a quoted field wherever it stands, as in other CSV readers: a cell
      // with seconds is quoted as spreadsheets save it.
      {"r.csv",
       "lat\tlon\n\"-0" + deg + "08'02.4\"\"\"\t7" + deg + "49.310'\n\"-0 08'02.4\"\"\"\t7.5" + deg + "\n",
       {{s, 7 + 49.31 / 60}, {s, 7.5}},
       ""},
      {"r.csv", "lat,lon\n0" + deg + "05.5'S,7" + deg + "49.310'E\n", {{-5.5 / 60, 7 + 49.31 / 60}}, ""},
      {"r.csv", "lat,lon\nN45 30,E010 15.5\n", {{45.5, 10 + 15.5 / 60}}, ""},
      {"r.csv",
       "lat,lon\n-1.234" + deg + ",7" + deg + "49.310'E\n",
       {},
       "line 2: \"-1.234" + deg + ",7" + deg +
           "49.310'E\": write a hemisphere letter with both the latitude and the longitude, or with neither"},
      {"r.csv",
       "lat,lon\n1" + deg + "-30',10" + deg + "\n",
       {},
       "line 2: \"1" + deg + "-30',10" + deg + "\": the latitude: a sign stands before the degrees only, as in -45" +
           deg + "30.5'"},
      {"r.csv",
       "lat,lon\n91" + deg + ",10" + deg + "\n",
       {},
       "line 2: \"91" + deg + ",10" + deg + "\": latitude 91 is outside -90..90"},
      {"r.csv",
       "lat;lon\n45" + deg + "30,5';10" + deg + "\n",
       {},
       "line 2: \"45" + deg + "30,5';10" + deg + "\": the latitude: a decimal comma; write 45" + deg + "30.5'"},
  });
}

TEST(RouteForms, TextRouteSlipsAreReadAsMeantOrToldHowToWriteThem) {
  const std::string deg = "\xC2\xB0";
  check({
      // A letter in the comment of a signed position is a word of the comment.
      {"r.txt",
       "0.0916667 -91.4533333  turn N here\n-0.5 -91 wait for the E current\n",
       {{0.0916667, -91.4533333}, {-0.5, -91}},
       ""},
      // A decimal comma in a comment is the comment's, with or without a letter position.
      {"r.txt",
       "54.1 7.2 wind 3,5E\n54 10.5 N 7 20.1 E  moved 3,5E\n54 20.5 N 7 20.1 E  moved 3,5\n",
       {{54.1, 7.2}, {54.175, 7.335}, {54 + 20.5 / 60, 7.335}},
       ""},
      // Unsigned, the letter might be the longitude's: refused as before.
      {"r.txt",
       "0.0916667 91.4533333 turn W here\n",
       {},
       "line 1: \"0.0916667 91.4533333 turn W here\": the hemisphere letters must mark one latitude (N or S) and one "
       "longitude (E or W), each letter after its numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 "
       "E10 15.2"},
      {"r.txt",
       "-0.09 -91.45 W\n",
       {},
       "line 1: \"-0.09 -91.45 W\": the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), "
       "each letter after its numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2"},
      {"r.txt",
       "00" + deg + "05,5'N 091" + deg + "27.2'W\n",
       {},
       "line 1: \"00" + deg + "05,5'N 091" + deg + "27.2'W\": a decimal comma; write 00" + deg + "05.5'N"},
      {"r.txt", "45 30,5 N 10 15 E\n", {}, "line 1: \"45 30,5 N 10 15 E\": a decimal comma; write 45 30.5 N"},
      {"r.txt",
       "00-05.5N 091-27.2W\n",
       {},
       "line 1: \"00-05.5N 091-27.2W\": a dash between the degrees and the minutes; write 00 05.5 N or 00" + deg +
           "05.5'N"},
      {"r.txt",
       "45-30-15N 10E\n",
       {},
       "line 1: \"45-30-15N 10E\": dashes between the degrees, minutes and seconds; write 45 30 15 N or 45" + deg +
           "30'15\"N"},
      // Minutes and seconds in one word after the degrees, as charts print them.
      {"r.txt", "S0 08'02.4\" W91 27'12\"\n", {{-(8 / 60.0 + 2.4 / 3600), -(91 + 27 / 60.0 + 12 / 3600.0)}}, ""},
  });
}

// ---- KMZ archives in the ZIP64 form, built byte by byte ----

void put(std::string& out, uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out += static_cast<char>(value >> (8 * k) & 0xFF);
}

std::string deflated(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

struct zip64Form {
  bool deflate = true;
  bool centralZip64 = true;    // the list of contents gives sizes and offset in the extra field
  bool endRecordZip64 = true;  // a ZIP64 end of central directory record and its locator
  uint64_t claimedSize = 0;    // the uncompressed size the extra fields claim; 0: the real one
};

// doc.kml holding `kml`, the sizes in its local header 0xFFFFFFFF and given in the ZIP64
// extra field (0x0001), as archivers that write as they go save it.
std::string zip64Of(const std::string& kml, const zip64Form& form) {
  const std::string data = form.deflate ? deflated(kml) : kml;
  const uint64_t size = form.claimedSize != 0 ? form.claimedSize : kml.size();
  const uint32_t crc =
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(kml.data()), static_cast<uInt>(kml.size())));
  const std::string name = "doc.kml";
  std::string zip;
  put(zip, 0x04034b50, 4);
  put(zip, 45, 2);
  put(zip, 0, 2);
  put(zip, form.deflate ? 8 : 0, 2);
  put(zip, 0, 4);  // time and date
  put(zip, crc, 4);
  put(zip, 0xFFFFFFFF, 4);
  put(zip, 0xFFFFFFFF, 4);
  put(zip, name.size(), 2);
  put(zip, 20, 2);
  zip += name;
  put(zip, 0x0001, 2);
  put(zip, 16, 2);
  put(zip, size, 8);
  put(zip, data.size(), 8);
  zip += data;
  const uint64_t central = zip.size();
  put(zip, 0x02014b50, 4);
  put(zip, 45, 2);
  put(zip, 45, 2);
  put(zip, 0, 2);
  put(zip, form.deflate ? 8 : 0, 2);
  put(zip, 0, 4);
  put(zip, crc, 4);
  put(zip, form.centralZip64 ? 0xFFFFFFFF : data.size(), 4);
  put(zip, form.centralZip64 ? 0xFFFFFFFF : size, 4);
  put(zip, name.size(), 2);
  put(zip, form.centralZip64 ? 28 : 0, 2);
  put(zip, 0, 2);  // comment
  put(zip, 0, 2);  // disk
  put(zip, 0, 2);  // internal attributes
  put(zip, 0, 4);  // external attributes
  put(zip, form.centralZip64 ? 0xFFFFFFFF : 0, 4);
  zip += name;
  if (form.centralZip64) {
    put(zip, 0x0001, 2);
    put(zip, 24, 2);
    put(zip, size, 8);
    put(zip, data.size(), 8);
    put(zip, 0, 8);
  }
  const uint64_t centralSize = zip.size() - central;
  if (form.endRecordZip64) {
    const uint64_t record = zip.size();
    put(zip, 0x06064b50, 4);
    put(zip, 44, 8);
    put(zip, 45, 2);
    put(zip, 45, 2);
    put(zip, 0, 4);
    put(zip, 0, 4);
    put(zip, 1, 8);
    put(zip, 1, 8);
    put(zip, centralSize, 8);
    put(zip, central, 8);
    put(zip, 0x07064b50, 4);
    put(zip, 0, 4);
    put(zip, record, 8);
    put(zip, 1, 4);
  }
  put(zip, 0x06054b50, 4);
  put(zip, 0, 2);
  put(zip, 0, 2);
  put(zip, form.endRecordZip64 ? 0xFFFF : 1, 2);
  put(zip, form.endRecordZip64 ? 0xFFFF : 1, 2);
  put(zip, form.endRecordZip64 ? 0xFFFFFFFF : centralSize, 4);
  put(zip, form.endRecordZip64 ? 0xFFFFFFFF : central, 4);
  put(zip, 0, 2);
  return zip;
}

TEST(RouteForms, Zip64KmzGivesItsRouteAndClaimedSizesAreNoLimit) {
  const std::string kml =
      "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark><LineString>"
      "<coordinates>10,45 -10.25,45.5</coordinates></LineString></Placemark></kml>\n";
  const std::string damaged = "r.kmz is a damaged zip file: the entry doc.kml fails its check\n";
  std::string lostEndRecord = zip64Of(kml, {});
  lostEndRecord[lostEndRecord.size() - 22 - 20 + 8] ^= 0x10;
  check({
      {"r.kmz", zip64Of(kml, {}), two, ""},
      {"r.kmz", zip64Of(kml, {false}), two, ""},
      {"r.kmz", zip64Of(kml, {true, false, false}), two, ""},
      {"r.kmz", zip64Of(kml, {false, true, false}), two, ""},
      // A claim of 5 GiB or of 300 MiB for a small document: refused for the claim that
      // does not hold, never as too big.
      {"r.kmz", zip64Of(kml, {true, true, true, uint64_t{5} << 30}), {}, damaged},
      {"r.kmz", zip64Of(kml, {true, false, false, uint64_t{300} << 20}), {}, damaged},
      // A ZIP64 end record that is not where its locator says.
      {"r.kmz", lostEndRecord, {}, "r.kmz is a damaged zip file: its list of contents cannot be read\n"},
  });
}

}  // namespace
