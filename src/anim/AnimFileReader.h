#pragma once
// Reads the fixed-layout little-endian records of the .bone and .pose files
// and counts the items read against the items asked for, so that a short file
// shows as a mismatch. It also knows how many bytes are left, so that a
// loader can refuse a count the file cannot hold before allocating for it.

#include <cstdint>
#include <cstdio>
#include <string>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the files are read in place as little-endian data");

class AnimFileReader {
 public:
  AnimFileReader() = default;
  ~AnimFileReader() { Close(); }
  AnimFileReader(const AnimFileReader&) = delete;
  AnimFileReader& operator=(const AnimFileReader&) = delete;

  // Opens a regular file with mode "rb"; false when that fails.
  bool Open(const char* path);
  void Close();

  // Reads count items of size bytes each; false unless all of them arrived.
  bool Read(void* data, std::size_t size, std::size_t count);

  // Bytes between the read position and the end of the file as it was opened.
  std::uint64_t Remaining() const { return size_ > position_ ? size_ - position_ : 0; }
  // Whether count records of recordSize bytes fit in the rest of the file.
  bool Holds(std::int64_t count, std::uint64_t recordSize) const;

  std::uint64_t ItemsRead() const { return itemsRead_; }
  std::uint64_t ItemsExpected() const { return itemsExpected_; }

 private:
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t itemsRead_ = 0;
  std::uint64_t itemsExpected_ = 0;
};

// Stores text in *error when error is not null; returns false for chaining.
bool AnimFileError(std::string* error, const char* format, ...) __attribute__((format(printf, 2, 3)));
