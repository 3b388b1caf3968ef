#pragma once
// Tokens of the DirectX .x text format. Separators (';' and ',') and
// comments ("//" and "#" to the end of the line) are skipped; numbers are
// read straight from the bytes. Every read fails cleanly at the end of the
// data or on a token longer than kMaxToken.

#include <cstddef>
#include <cstdint>
#include <string>

namespace d3dx {

class XFileTokenizer {
 public:
  static constexpr std::size_t kMaxToken = 1024;
  enum class Kind { End, Name, Number, String, Open, Close, Other, Error };

  XFileTokenizer(const char* data, std::size_t size) : data_(data), size_(size) {}

  // The next token without consuming it; text() holds its characters.
  Kind Peek();
  Kind Next();
  const std::string& Text() const { return text_; }
  // Bytes left after the current position (an upper bound on what can follow).
  std::size_t Remaining() const { return size_ - position_; }

  bool ReadFloat(float* value);
  // A non-negative integer no larger than limit.
  bool ReadCount(std::uint32_t limit, std::uint32_t* value);
  bool ReadString(std::string* value);
  bool Expect(Kind kind) { return Next() == kind; }
  // Skips the rest of an object whose '{' was read (nested objects too).
  bool SkipObject();

 private:
  void SkipBlank();
  Kind Scan();
  const char* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool peeked_ = false;
  Kind kind_ = Kind::End;
  std::string text_;
};

}  // namespace d3dx
