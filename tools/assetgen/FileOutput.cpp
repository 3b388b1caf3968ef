#include "FileOutput.h"

#include <cstdio>
#include <cstring>

namespace assetgen {

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    if (error != nullptr) *error = path + ": cannot create the file";
    return false;
  }
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::remove(path.c_str());
    if (error != nullptr) *error = path + ": writing failed";
    return false;
  }
  return true;
}

void PutU16(std::vector<std::uint8_t>* out, std::uint16_t value) {
  out->push_back(static_cast<std::uint8_t>(value));
  out->push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  PutU16(out, static_cast<std::uint16_t>(value));
  PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

void PutI32(std::vector<std::uint8_t>* out, std::int32_t value) { PutU32(out, static_cast<std::uint32_t>(value)); }

void PutF32(std::vector<std::uint8_t>* out, float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  PutU32(out, bits);
}

void PutTag(std::vector<std::uint8_t>* out, const char* fourCharacters) {
  out->insert(out->end(), fourCharacters, fourCharacters + 4);
}

void PutName(std::vector<std::uint8_t>* out, const std::string& name, std::size_t field) {
  for (std::size_t i = 0; i < field; ++i) {
    out->push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0u);
  }
}

}  // namespace assetgen
