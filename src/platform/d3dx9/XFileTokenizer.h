#pragma once
// Tokens of the DirectX .x text format. Separators (';' and ',') and
// comments ("//" and "#" to the end of the line) are skipped; numbers are
// read straight from the bytes; a GUID is "<...>" as one token. Every read
// fails cleanly at the end of the data or on a token longer than kMaxToken.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3dx9/XFileTokenSource.h"

namespace d3dx {

class XFileTokenizer : public XFileTokenSource {
 public:
  XFileTokenizer(const char* data, std::size_t size) : data_(data), size_(size) {}

  Kind Peek() override;
  Kind Next() override;
  const std::string& Text() const override { return text_; }
  std::size_t Remaining() const override { return size_ - position_; }

  bool ReadFloat(float* value) override;
  bool ReadCount(std::uint32_t limit, std::uint32_t* value) override;
  bool ReadString(std::string* value) override;

 private:
  void SkipBlank();
  Kind Scan();
  // Characters up to the closing character, at most kMaxToken of them.
  bool ScanUntil(char close);
  const char* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool peeked_ = false;
  Kind kind_ = Kind::End;
  std::string text_;
};

}  // namespace d3dx
