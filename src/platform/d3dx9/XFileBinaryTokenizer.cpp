// Tokens of the .x binary format.

#include "platform/d3dx9/XFileBinaryTokenizer.h"

#include <cmath>
#include <cstring>

namespace d3dx {

namespace xtoken {

const char* KeywordText(std::uint16_t token) {
  static const char* const kKeywords[] = {"WORD", "DWORD", "FLOAT",   "DOUBLE",  "CHAR",    "UCHAR", "SWORD",
                                          "SDWORD", "VOID", "STRING", "UNICODE", "CSTRING", "array"};
  if (token < kFirstKeyword || token > kLastKeyword) return nullptr;
  return kKeywords[token - kFirstKeyword];
}

}  // namespace xtoken

bool XFileBinaryTokenizer::Read16(std::uint16_t* value) {
  if (Remaining() < 2) return false;
  *value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
  position_ += 2;
  return true;
}

bool XFileBinaryTokenizer::Read32(std::uint32_t* value) {
  if (Remaining() < 4) return false;
  std::memcpy(value, data_ + position_, 4);  // little-endian, as the platform
  position_ += 4;
  return true;
}

bool XFileBinaryTokenizer::ReadCounted() {
  std::uint32_t length = 0;
  if (!Read32(&length) || length > kMaxToken || length > Remaining()) return false;
  text_.assign(reinterpret_cast<const char*>(data_ + position_), length);
  position_ += length;
  return true;
}

bool XFileBinaryTokenizer::EnterList(List list, std::uint32_t count) {
  const std::size_t valueSize = list == List::Floats ? floatBytes_ : 4;
  if (count > Remaining() / valueSize) return false;
  list_ = list;
  listLeft_ = count;
  return true;
}

XFileBinaryTokenizer::Kind XFileBinaryTokenizer::Scan() {
  text_.clear();
  if (listLeft_ > 0) return Kind::Number;  // the next value of the list
  list_ = List::None;
  while (true) {
    if (position_ >= size_) return Kind::End;
    std::uint16_t token = 0;
    std::uint32_t count = 0;
    if (!Read16(&token)) return Kind::Error;
    switch (token) {
      case xtoken::kName: return ReadCounted() ? Kind::Name : Kind::Error;
      case xtoken::kString: return ReadCounted() ? Kind::String : Kind::Error;
      case xtoken::kInteger: return EnterList(List::Integers, 1) ? Kind::Number : Kind::Error;
      case xtoken::kGuid:
        if (Remaining() < 16) return Kind::Error;
        position_ += 16;
        return Kind::Guid;
      case xtoken::kIntegerList:
      case xtoken::kFloatList:
        if (!Read32(&count) || !EnterList(token == xtoken::kFloatList ? List::Floats : List::Integers, count)) {
          return Kind::Error;
        }
        if (count == 0) continue;
        return Kind::Number;
      case xtoken::kOpenBrace: return Kind::Open;
      case xtoken::kCloseBrace: return Kind::Close;
      case xtoken::kComma:
      case xtoken::kSemicolon: continue;  // separators, as in the text form
      case xtoken::kTemplate: text_ = "template"; return Kind::Name;
      default: break;
    }
    if (token >= xtoken::kOpenParen && token <= xtoken::kDot) {
      text_ = "()[]<>."[token - xtoken::kOpenParen];
      return Kind::Other;
    }
    const char* keyword = xtoken::KeywordText(token);
    if (keyword == nullptr) return Kind::Error;
    text_ = keyword;
    return Kind::Name;
  }
}

XFileBinaryTokenizer::Kind XFileBinaryTokenizer::Peek() {
  if (!peeked_) {
    // A broken token leaves the position undefined: nothing after it counts.
    kind_ = kind_ == Kind::Error ? Kind::Error : Scan();
    peeked_ = true;
  }
  return kind_;
}

XFileBinaryTokenizer::Kind XFileBinaryTokenizer::Next() {
  const Kind kind = Peek();
  if (kind == Kind::Error) return kind;
  peeked_ = false;
  if (kind == Kind::Number) {
    position_ += list_ == List::Floats ? floatBytes_ : 4;
    --listLeft_;
  }
  return kind;
}

bool XFileBinaryTokenizer::ReadFloat(float* value) {
  if (Peek() != Kind::Number || list_ != List::Floats) return false;
  double parsed = 0.0;
  if (floatBytes_ == 8) {
    std::memcpy(&parsed, data_ + position_, 8);
  } else {
    float single = 0.0f;
    std::memcpy(&single, data_ + position_, 4);
    parsed = single;
  }
  Next();
  if (!std::isfinite(parsed)) return false;
  *value = static_cast<float>(parsed);
  return std::isfinite(*value);
}

bool XFileBinaryTokenizer::ReadCount(std::uint32_t limit, std::uint32_t* value) {
  if (Peek() != Kind::Number || list_ != List::Integers) return false;
  std::uint32_t parsed = 0;
  std::memcpy(&parsed, data_ + position_, 4);
  Next();
  if (parsed > limit) return false;
  *value = parsed;
  return true;
}

bool XFileBinaryTokenizer::ReadString(std::string* value) {
  if (Next() != Kind::String) return false;
  *value = text_;
  return true;
}

}  // namespace d3dx
