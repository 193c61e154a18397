#include "routes/routeKmz.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/textOut.h"

bool isZip(std::string_view content) {
  const std::string_view entry("PK\x03\x04", 4);
  const std::string_view emptyArchive("PK\x05\x06", 4);
  return content.substr(0, 4) == entry || content.substr(0, 4) == emptyArchive;
}

namespace {

// ---- The archive's list of contents, read from memory: the file is already read whole ----

// The little-endian number of `count` bytes at `at`, which the caller has checked lie
// inside `bytes`.
uint64_t numberAt(std::string_view bytes, uint64_t at, int count) {
  uint64_t value = 0;
  for (int k = count - 1; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
  return value;
}

bool holds(std::string_view bytes, uint64_t at, uint64_t count) {
  return at <= bytes.size() && count <= bytes.size() - at;
}

bool signatureAt(std::string_view bytes, uint64_t at, const char* signature) {
  return holds(bytes, at, 4) && bytes.substr(at, 4) == std::string_view(signature, 4);
}

const uint32_t zip64Marker = 0xFFFFFFFF;

// One entry of the list of contents.
struct zipItem {
  std::string name;
  uint64_t flags = 0;
  uint64_t method = 0;
  uint64_t crc = 0;
  uint64_t packedSize = 0;
  uint64_t size = 0;  // as claimed: checked against what the entry inflates to, never trusted
  uint64_t localHeader = 0;
};

// The entries of `zip`, from its list of contents at the end of the archive; false when the
// list cannot be read. Archives that grow past 4 GiB, and archivers that write as they go,
// give the sizes and offsets in the ZIP64 form: 0xFFFFFFFF in the usual field, the value in
// the entry's ZIP64 extra field (0x0001), and the list's place in a ZIP64 end record.
bool readListOfContents(std::string_view zip, std::vector<zipItem>& items) {
  const uint64_t endSize = 22;
  if (zip.size() < endSize) return false;
  // The end record stands last, followed by a comment of at most 65535 bytes.
  uint64_t end = zip.size() - endSize;
  const uint64_t earliest = end > 65535 ? end - 65535 : 0;
  while (!signatureAt(zip, end, "PK\x05\x06")) {
    if (end == earliest) return false;
    --end;
  }
  uint64_t count = numberAt(zip, end + 10, 2);
  uint64_t listSize = numberAt(zip, end + 12, 4);
  uint64_t list = numberAt(zip, end + 16, 4);
  if (end >= 20 && signatureAt(zip, end - 20, "PK\x06\x07")) {
    const uint64_t record = numberAt(zip, end - 20 + 8, 8);
    if (!signatureAt(zip, record, "PK\x06\x06") || !holds(zip, record, 56)) return false;
    count = numberAt(zip, record + 32, 8);
    listSize = numberAt(zip, record + 40, 8);
    list = numberAt(zip, record + 48, 8);
  }
  if (!holds(zip, list, listSize)) return false;
  uint64_t at = list;
  for (uint64_t n = 0; n < count; ++n) {
    if (!signatureAt(zip, at, "PK\x01\x02") || !holds(zip, at, 46)) return false;
    const uint64_t nameSize = numberAt(zip, at + 28, 2);
    const uint64_t extraSize = numberAt(zip, at + 30, 2);
    const uint64_t commentSize = numberAt(zip, at + 32, 2);
    if (!holds(zip, at + 46, nameSize + extraSize + commentSize)) return false;
    zipItem item;
    item.name = std::string(zip.substr(at + 46, nameSize));
    item.flags = numberAt(zip, at + 8, 2);
    item.method = numberAt(zip, at + 10, 2);
    item.crc = numberAt(zip, at + 16, 4);
    item.packedSize = numberAt(zip, at + 20, 4);
    item.size = numberAt(zip, at + 24, 4);
    item.localHeader = numberAt(zip, at + 42, 4);
    // The ZIP64 extra field holds, in this order, those of the three that are marked.
    for (uint64_t extra = at + 46 + nameSize; extra + 4 <= at + 46 + nameSize + extraSize;) {
      const uint64_t id = numberAt(zip, extra, 2);
      const uint64_t size = numberAt(zip, extra + 2, 2);
      uint64_t field = extra + 4;
      const uint64_t fieldEnd = field + size;
      if (fieldEnd > at + 46 + nameSize + extraSize) return false;
      if (id == 0x0001) {
        for (uint64_t* value : {&item.size, &item.packedSize, &item.localHeader}) {
          if (*value != zip64Marker) continue;
          if (field + 8 > fieldEnd) return false;
          *value = numberAt(zip, field, 8);
          field += 8;
        }
      }
      extra = fieldEnd;
    }
    items.push_back(item);
    at += 46 + nameSize + extraSize + commentSize;
  }
  return true;
}

struct inflateEnder {
  void operator()(z_stream* stream) const { inflateEnd(stream); }
};

// ---- Choosing the document ----

bool topLevel(const std::string& name) { return name.find_first_of("/\\") == std::string::npos; }

bool endsWithKml(const std::string& name) {
  return name.size() >= 4 && lowerCase(std::string_view(name).substr(name.size() - 4)) == ".kml";
}

// "a.png, b/c.kml and 3 more": what an archive without a KML document holds.
std::string listOf(const std::vector<std::string>& names) {
  const size_t shown = 5;
  std::string list;
  for (size_t i = 0; i < names.size() && i < shown; ++i) list += (i > 0 ? ", " : "") + names[i];
  if (names.size() > shown) list += " and " + std::to_string(names.size() - shown) + " more";
  return list;
}

std::string mebibytes(size_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

// The entry `item` of `zip`, inflated by the program itself from its raw bytes with a
// running count, so that an entry claiming a small size cannot inflate without end.
void inflateEntry(std::string_view zip, const zipItem& item, size_t limit, kmzDocument& found) {
  const std::string& name = found.name;
  if ((item.flags & 1) != 0) {
    found.problem = "holds " + name + " encrypted; save it again without a password";
    return;
  }
  const bool stored = item.method == 0;
  if (!stored && item.method != Z_DEFLATED) {
    found.problem = "holds " + name + " compressed with method " + std::to_string(item.method) +
                    ", which cannot be read; save it with the usual compression (deflate)";
    return;
  }
  // The size the entry claims, in its header or in a ZIP64 extra field, is no bound: a
  // claim beyond the limit is judged by what the entry really inflates to.
  const std::string beyond = "holds " + name + ", which inflates beyond the limit of " + mebibytes(limit);
  const uint64_t header = item.localHeader;
  if (!signatureAt(zip, header, "PK\x03\x04") || !holds(zip, header, 30)) {
    found.problem = "is a damaged zip file: the entry " + name + " cannot be opened";
    return;
  }
  const uint64_t start = header + 30 + numberAt(zip, header + 26, 2) + numberAt(zip, header + 28, 2);
  if (!holds(zip, start, item.packedSize)) {
    found.problem = "is a damaged zip file: the entry " + name + " cannot be read";
    return;
  }
  std::string_view raw = zip.substr(start, item.packedSize);
  std::string& text = found.kml;
  bool ended = stored;
  if (stored) {
    if (raw.size() > limit) {
      found.problem = beyond;
      return;
    }
    text.assign(raw);
  } else {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
      found.problem = "cannot be inflated: out of memory";
      return;
    }
    const std::unique_ptr<z_stream, inflateEnder> inflating(&stream);
    std::vector<unsigned char> out(256 * 1024);
    while (!ended && found.problem.empty()) {
      // zlib counts its input in unsigned ints: an entry is fed in pieces.
      const size_t piece = std::min<size_t>(raw.size(), size_t{1} << 30);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
      stream.avail_in = static_cast<uInt>(piece);
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      const int status = inflate(&stream, Z_NO_FLUSH);
      raw.remove_prefix(piece - stream.avail_in);
      if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
        found.problem = "is a damaged zip file: the entry " + name + " does not inflate (" +
                        (stream.msg != nullptr ? stream.msg : "error " + std::to_string(status)) + ")";
        break;
      }
      const size_t produced = out.size() - stream.avail_out;
      if (produced > limit - text.size()) {
        found.problem = beyond;
        break;
      }
      text.append(reinterpret_cast<const char*>(out.data()), produced);
      ended = status == Z_STREAM_END;
      // No progress: the entry's bytes end before its deflate stream does.
      if (status == Z_BUF_ERROR || (produced == 0 && raw.empty())) break;
    }
  }
  if (found.problem.empty() && !ended) {
    found.problem = "is a damaged zip file: the entry " + name + " is cut short";
  } else if (found.problem.empty() &&
             (text.size() != item.size ||
              crc32_z(crc32_z(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(text.data()), text.size()) != item.crc)) {
    found.problem = "is a damaged zip file: the entry " + name + " fails its check";
  }
  if (!found.problem.empty()) text.clear();
}

}  // namespace

kmzDocument kmlOfKmz(std::string_view zip, size_t limit) {
  kmzDocument found;
  std::vector<zipItem> items;
  // An archive whose first record is the end of its list of contents holds nothing.
  if (zip.substr(0, 4) == std::string_view("PK\x05\x06", 4)) {
    found.problem = "is a zip file without a KML document: it is empty";
    return found;
  }
  if (!readListOfContents(zip, items)) {
    found.problem = "is a damaged zip file: its list of contents cannot be read";
    return found;
  }
  if (items.empty()) {
    found.problem = "is a zip file without a KML document: it is empty";
    return found;
  }
  std::vector<std::string> names;
  const zipItem* chosen = nullptr;
  for (const zipItem& item : items) {
    names.push_back(item.name);
    if (!topLevel(item.name) || !endsWithKml(item.name)) continue;
    if (chosen == nullptr || (lowerCase(item.name) == "doc.kml" && lowerCase(chosen->name) != "doc.kml")) {
      chosen = &item;
    }
  }
  if (chosen == nullptr) {
    found.problem = "is a zip file without a KML document at its top level; it holds " + listOf(names);
    return found;
  }
  found.name = chosen->name;
  inflateEntry(zip, *chosen, limit, found);
  return found;
}
