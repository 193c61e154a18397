#include "brief/fileDigest.h"

#include <nettle/sha2.h>

#include <cstdint>

std::string sha256Hex(std::string_view bytes) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context, SHA256_DIGEST_SIZE, digest);
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (const uint8_t byte : digest) {
    text += hex[byte >> 4];
    text += hex[byte & 0xF];
  }
  return text;
}
