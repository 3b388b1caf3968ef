// Counting reader for the animation files.

#include "anim/AnimFileReader.h"

#include <cstdarg>
#include <filesystem>
#include <system_error>

bool AnimFileReader::Open(const char* path) {
  Close();
  if (path == nullptr) return false;
  // Only a regular file has a size that bounds what can be read from it.
  std::error_code failed;
  if (!std::filesystem::is_regular_file(path, failed)) return false;
  const std::uintmax_t size = std::filesystem::file_size(path, failed);
  if (failed) return false;
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) return false;
  size_ = size;
  position_ = 0;
  itemsRead_ = 0;
  itemsExpected_ = 0;
  return true;
}

void AnimFileReader::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool AnimFileReader::Read(void* data, std::size_t size, std::size_t count) {
  itemsExpected_ += count;
  const std::size_t read = file_ == nullptr ? 0 : std::fread(data, size, count, file_);
  itemsRead_ += read;
  position_ += static_cast<std::uint64_t>(read) * size;
  return read == count;
}

bool AnimFileReader::Holds(std::int64_t count, std::uint64_t recordSize) const {
  if (count <= 0) return true;
  if (recordSize == 0) return true;
  return static_cast<std::uint64_t>(count) <= Remaining() / recordSize;
}

bool AnimFileError(std::string* error, const char* format, ...) {
  if (error == nullptr) return false;
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  *error = text;
  return false;
}
