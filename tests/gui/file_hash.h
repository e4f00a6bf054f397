// SHA-256 of files and byte strings, as lower-case hex.
#pragma once

#include <openssl/evp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace quarrow::testing {

inline std::string sha256_hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  std::string hex;
  char buffer[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", digest[i]);
    hex += buffer;
  }
  return hex;
}

inline std::string file_sha256(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return sha256_hex(std::string(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace quarrow::testing
