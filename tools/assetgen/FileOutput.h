#pragma once
// Writing a finished buffer to a file: all of it or, on any failure, no file
// at all.

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, std::string* error);

inline bool WriteWholeFile(const std::string& path, const std::string& text, std::string* error) {
  return WriteWholeFile(path, text.data(), text.size(), error);
}
inline bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

// Little-endian appends for the binary formats.
void PutU16(std::vector<std::uint8_t>* out, std::uint16_t value);
void PutU32(std::vector<std::uint8_t>* out, std::uint32_t value);
void PutI32(std::vector<std::uint8_t>* out, std::int32_t value);
void PutF32(std::vector<std::uint8_t>* out, float value);
void PutTag(std::vector<std::uint8_t>* out, const char* fourCharacters);
// A NUL-padded fixed-size name field.
void PutName(std::vector<std::uint8_t>* out, const std::string& name, std::size_t field);

}  // namespace assetgen
