#pragma once
// Tokens of the DirectX .x binary format: little-endian 16-bit token codes,
// some followed by a record (a name or string with its length, one integer,
// a GUID, or a counted list of integers or floats). The values of a list
// come out one Number at a time. Every length and count is checked against
// the bytes left before it is used.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3dx9/XFileTokenSource.h"

namespace d3dx {

// The token codes of the binary form.
namespace xtoken {
constexpr std::uint16_t kName = 1;
constexpr std::uint16_t kString = 2;
constexpr std::uint16_t kInteger = 3;
constexpr std::uint16_t kGuid = 5;
constexpr std::uint16_t kIntegerList = 6;
constexpr std::uint16_t kFloatList = 7;
constexpr std::uint16_t kOpenBrace = 10;
constexpr std::uint16_t kCloseBrace = 11;
constexpr std::uint16_t kOpenParen = 12;
constexpr std::uint16_t kCloseParen = 13;
constexpr std::uint16_t kOpenBracket = 14;
constexpr std::uint16_t kCloseBracket = 15;
constexpr std::uint16_t kOpenAngle = 16;
constexpr std::uint16_t kCloseAngle = 17;
constexpr std::uint16_t kDot = 18;
constexpr std::uint16_t kComma = 19;
constexpr std::uint16_t kSemicolon = 20;
constexpr std::uint16_t kTemplate = 31;
// Primitive type keywords of template definitions: WORD (40) to array (52).
constexpr std::uint16_t kFirstKeyword = 40;
constexpr std::uint16_t kLastKeyword = 52;
// The keyword's text as the text form spells it, or null outside the range.
const char* KeywordText(std::uint16_t token);
}  // namespace xtoken

class XFileBinaryTokenizer : public XFileTokenSource {
 public:
  // floatBytes: 4 or 8, from the header's float size.
  XFileBinaryTokenizer(const std::uint8_t* data, std::size_t size, std::size_t floatBytes)
      : data_(data), size_(size), floatBytes_(floatBytes) {}

  Kind Peek() override;
  Kind Next() override;
  const std::string& Text() const override { return text_; }
  std::size_t Remaining() const override { return size_ - position_; }

  // A float from a float list; an integer from an integer list or a single
  // integer token. A value of the other kind is refused.
  bool ReadFloat(float* value) override;
  bool ReadCount(std::uint32_t limit, std::uint32_t* value) override;
  bool ReadString(std::string* value) override;

 private:
  enum class List { None, Integers, Floats };
  Kind Scan();
  bool Read16(std::uint16_t* value);
  bool Read32(std::uint32_t* value);
  // A length-prefixed name or string into text_.
  bool ReadCounted();
  // Enters a list of count values of the given size; false when they do not fit.
  bool EnterList(List list, std::uint32_t count);

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t floatBytes_;
  std::size_t position_ = 0;
  bool peeked_ = false;
  Kind kind_ = Kind::End;
  std::string text_;
  List list_ = List::None;
  std::uint32_t listLeft_ = 0;
};

}  // namespace d3dx
