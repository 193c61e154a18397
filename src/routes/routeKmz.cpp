#include "routes/routeKmz.h"

#include <unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// ---- The archive read from memory: the file is already read whole ----

struct memoryFile {
  std::string_view bytes;
  uint64_t pos = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int mode) {
  return (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ ? opaque : nullptr;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size) {
  memoryFile& file = *static_cast<memoryFile*>(stream);
  const uint64_t left = file.pos < file.bytes.size() ? file.bytes.size() - file.pos : 0;
  const uLong count = static_cast<uLong>(std::min<uint64_t>(size, left));
  if (count > 0) std::memcpy(buffer, file.bytes.data() + file.pos, count);
  file.pos += count;
  return count;
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream) { return static_cast<memoryFile*>(stream)->pos; }

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  memoryFile& file = *static_cast<memoryFile*>(stream);
  uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = file.pos; break;
    case ZLIB_FILEFUNC_SEEK_END: base = file.bytes.size(); break;
    default: return -1;
  }
  if (base > file.bytes.size() || offset > file.bytes.size() - base) return -1;
  file.pos = base + offset;
  return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) { return 0; }

int ZCALLBACK errorOfMemory(voidpf, voidpf) { return 0; }

struct unzipCloser {
  void operator()(unzFile zip) const { unzClose(zip); }
};
using openArchive = std::unique_ptr<std::remove_pointer_t<unzFile>, unzipCloser>;

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

// The entry the archive stands at, inflated by the program itself from its raw bytes with
// a running count, so that an entry claiming a small size cannot inflate without end.
void inflateEntry(unzFile zip, const unz_file_info64& info, size_t limit, kmzDocument& found) {
  const std::string& name = found.name;
  if ((info.flag & 1) != 0) {
    found.problem = "holds " + name + " encrypted; save it again without a password";
    return;
  }
  const bool stored = info.compression_method == 0;
  if (!stored && info.compression_method != Z_DEFLATED) {
    found.problem = "holds " + name + " compressed with method " + std::to_string(info.compression_method) +
                    ", which cannot be read; save it with the usual compression (deflate)";
    return;
  }
  const std::string beyond = "holds " + name + ", which inflates beyond the limit of " + mebibytes(limit);
  if (info.uncompressed_size > limit) {
    found.problem = beyond;
    return;
  }
  int method = 0;
  int level = 0;
  if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK) {
    found.problem = "is a damaged zip file: the entry " + name + " cannot be opened";
    return;
  }
  z_stream stream{};
  std::unique_ptr<z_stream, inflateEnder> inflating;
  if (!stored) {
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
      unzCloseCurrentFile(zip);
      found.problem = "cannot be inflated: out of memory";
      return;
    }
    inflating.reset(&stream);
  }
  std::string& text = found.kml;
  std::vector<unsigned char> raw(64 * 1024);
  std::vector<unsigned char> out(256 * 1024);
  bool ended = false;
  for (;;) {
    const int count = unzReadCurrentFile(zip, raw.data(), static_cast<unsigned>(raw.size()));
    if (count < 0) {
      found.problem = "is a damaged zip file: the entry " + name + " cannot be read";
      break;
    }
    if (count == 0) break;
    if (stored) {
      if (static_cast<size_t>(count) > limit - text.size()) {
        found.problem = beyond;
        break;
      }
      text.append(reinterpret_cast<const char*>(raw.data()), static_cast<size_t>(count));
      continue;
    }
    stream.next_in = raw.data();
    stream.avail_in = static_cast<uInt>(count);
    while ((stream.avail_in > 0 || stream.avail_out == 0) && !ended) {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      const int status = inflate(&stream, Z_NO_FLUSH);
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
      if (status == Z_BUF_ERROR) break;
    }
    if (!found.problem.empty() || ended) break;
  }
  unzCloseCurrentFile(zip);
  if (!found.problem.empty()) {
    text.clear();
    return;
  }
  if (!stored && !ended) {
    found.problem = "is a damaged zip file: the entry " + name + " is cut short";
  } else if (text.size() != info.uncompressed_size ||
             crc32_z(crc32_z(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(text.data()), text.size()) != info.crc) {
    found.problem = "is a damaged zip file: the entry " + name + " fails its check";
  }
  if (!found.problem.empty()) text.clear();
}

}  // namespace

kmzDocument kmlOfKmz(std::string_view zip, size_t limit) {
  kmzDocument found;
  // An archive whose first record is the end of its list of contents holds nothing.
  if (zip.substr(0, 4) == std::string_view("PK\x05\x06", 4)) {
    found.problem = "is a zip file without a KML document: it is empty";
    return found;
  }
  memoryFile file{zip, 0};
  zlib_filefunc64_def access{};
  access.zopen64_file = openMemory;
  access.zread_file = readMemory;
  access.zwrite_file = writeMemory;
  access.ztell64_file = tellMemory;
  access.zseek64_file = seekMemory;
  access.zclose_file = closeMemory;
  access.zerror_file = errorOfMemory;
  access.opaque = &file;
  const openArchive archive(unzOpen2_64("kmz", &access));
  if (!archive) {
    found.problem = "is a damaged zip file: its list of contents cannot be read";
    return found;
  }
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(archive.get(), &global) == UNZ_OK && global.number_entry == 0) {
    found.problem = "is a zip file without a KML document: it is empty";
    return found;
  }
  std::vector<std::string> names;
  unz64_file_pos chosen{};
  bool chosenIsDoc = false;
  int status = unzGoToFirstFile(archive.get());
  for (; status == UNZ_OK; status = unzGoToNextFile(archive.get())) {
    unz_file_info64 info{};
    status = unzGetCurrentFileInfo64(archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0);
    std::string name(status == UNZ_OK ? info.size_filename : 0, '\0');
    if (status == UNZ_OK) {
      status = unzGetCurrentFileInfo64(archive.get(), &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                                       nullptr, 0);
    }
    if (status != UNZ_OK) break;
    names.push_back(name);
    if (!topLevel(name) || !endsWithKml(name) || chosenIsDoc) continue;
    const bool isDoc = lowerCase(name) == "doc.kml";
    if (found.name.empty() || isDoc) {
      found.name = name;
      chosenIsDoc = isDoc;
      unzGetFilePos64(archive.get(), &chosen);
    }
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) {
    found.problem = "is a damaged zip file: its list of contents cannot be read";
    return found;
  }
  if (found.name.empty()) {
    found.problem = "is a zip file without a KML document at its top level; it holds " + listOf(names);
    return found;
  }
  unz_file_info64 info{};
  if (unzGoToFilePos64(archive.get(), &chosen) != UNZ_OK ||
      unzGetCurrentFileInfo64(archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    found.problem = "is a damaged zip file: the entry " + found.name + " cannot be found again";
    return found;
  }
  inflateEntry(archive.get(), info, limit, found);
  return found;
}
