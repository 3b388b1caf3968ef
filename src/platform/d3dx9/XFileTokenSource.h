#pragma once
// What the .x parser reads: a stream of tokens, whatever the file's encoding.
// The text tokenizer and the binary tokenizer both offer it, so that the
// three forms of a file go through one parser and give the same records.
// Separators (';' and ',') never show as tokens. Every read fails cleanly at
// the end of the data or on a malformed token.

#include <cstddef>
#include <cstdint>
#include <string>

namespace d3dx {

class XFileTokenSource {
 public:
  // Names, strings and GUIDs longer than this are refused.
  static constexpr std::size_t kMaxToken = 1024;
  enum class Kind { End, Name, Number, String, Guid, Open, Close, Other, Error };

  virtual ~XFileTokenSource() = default;

  // The next token without consuming it; Text() holds the characters of a
  // name, string or other token.
  virtual Kind Peek() = 0;
  virtual Kind Next() = 0;
  virtual const std::string& Text() const = 0;
  // Bytes left after the current position: an upper bound on what can
  // still follow, for refusing counts before allocating for them.
  virtual std::size_t Remaining() const = 0;

  // A finite number.
  virtual bool ReadFloat(float* value) = 0;
  // A non-negative integer no larger than limit.
  virtual bool ReadCount(std::uint32_t limit, std::uint32_t* value) = 0;
  virtual bool ReadString(std::string* value) = 0;

  bool Expect(Kind kind) { return Next() == kind; }
  // Skips the rest of an object whose '{' was read, nested objects too.
  bool SkipObject();
};

}  // namespace d3dx
