// Tokens of the .x text format.

#include "platform/d3dx9/XFileTokenizer.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace d3dx {

namespace {

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == '+';
}

}  // namespace

void XFileTokenizer::SkipBlank() {
  while (position_ < size_) {
    const char c = data_[position_];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ',') {
      ++position_;
    } else if (c == '#' || (c == '/' && position_ + 1 < size_ && data_[position_ + 1] == '/')) {
      while (position_ < size_ && data_[position_] != '\n') ++position_;
    } else {
      return;
    }
  }
}

bool XFileTokenizer::ScanUntil(char close) {
  while (position_ < size_ && data_[position_] != close) {
    if (text_.size() >= kMaxToken) return false;
    text_ += data_[position_++];
  }
  if (position_ >= size_) return false;
  ++position_;
  return true;
}

XFileTokenizer::Kind XFileTokenizer::Scan() {
  text_.clear();
  SkipBlank();
  if (position_ >= size_) return Kind::End;
  const char c = data_[position_];
  if (c == '{') {
    ++position_;
    return Kind::Open;
  }
  if (c == '}') {
    ++position_;
    return Kind::Close;
  }
  if (c == '"') {
    ++position_;
    return ScanUntil('"') ? Kind::String : Kind::Error;
  }
  if (c == '<') {
    ++position_;
    return ScanUntil('>') ? Kind::Guid : Kind::Error;
  }
  if (IsNameChar(c)) {
    while (position_ < size_ && IsNameChar(data_[position_])) {
      if (text_.size() >= kMaxToken) return Kind::Error;
      text_ += data_[position_++];
    }
    const char first = text_[0];
    const bool number = (first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.';
    return number ? Kind::Number : Kind::Name;
  }
  text_ += c;
  ++position_;
  return Kind::Other;
}

XFileTokenizer::Kind XFileTokenizer::Peek() {
  if (!peeked_) {
    kind_ = Scan();
    peeked_ = true;
  }
  return kind_;
}

XFileTokenizer::Kind XFileTokenizer::Next() {
  const Kind kind = Peek();
  peeked_ = false;
  return kind;
}

bool XFileTokenizer::ReadFloat(float* value) {
  if (Next() != Kind::Number) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text_.c_str(), &end);
  if (end != text_.c_str() + text_.size() || !std::isfinite(parsed)) return false;
  *value = static_cast<float>(parsed);
  return std::isfinite(*value);
}

bool XFileTokenizer::ReadCount(std::uint32_t limit, std::uint32_t* value) {
  if (Next() != Kind::Number || text_.empty() || text_.size() > 10) return false;
  std::uint64_t result = 0;
  for (const char c : text_) {
    if (c < '0' || c > '9') return false;  // negative or fractional counts too
    result = result * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (result > limit) return false;
  *value = static_cast<std::uint32_t>(result);
  return true;
}

bool XFileTokenizer::ReadString(std::string* value) {
  if (Next() != Kind::String) return false;
  *value = text_;
  return true;
}

bool XFileTokenSource::SkipObject() {
  std::size_t depth = 1;
  while (depth > 0) {
    switch (Next()) {
      case Kind::Open: ++depth; break;
      case Kind::Close: --depth; break;
      case Kind::End:
      case Kind::Error: return false;
      default: break;
    }
  }
  return true;
}

}  // namespace d3dx
