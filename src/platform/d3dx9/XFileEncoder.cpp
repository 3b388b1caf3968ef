// Re-encoding of .x text files in the binary and compressed forms.

#include "platform/d3dx9/XFileEncoder.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3dx9/XFileBinaryTokenizer.h"
#include "platform/d3dx9/XFileCompression.h"
#include "platform/d3dx9/XFileParser.h"
#include "platform/d3dx9/XFileTokenizer.h"

namespace d3dx {

namespace {

using Kind = XFileTokenSource::Kind;

// Binary tokens, with consecutive numbers of one kind joined into one list.
class BinaryWriter {
 public:
  explicit BinaryWriter(bool doubles) : doubles_(doubles) {}

  void Token(std::uint16_t token) {
    Flush();
    Put(&token, 2);
  }
  void Counted(std::uint16_t token, const std::string& text) {
    Token(token);
    Put32(static_cast<std::uint32_t>(text.size()));
    out_ += text;
  }
  void Name(const std::string& text) { Counted(xtoken::kName, text); }
  void String(const std::string& text) {
    Counted(xtoken::kString, text);
    Token(xtoken::kSemicolon);
  }
  void Integer(std::uint32_t value) {
    Token(xtoken::kInteger);
    Put32(value);
  }
  // "3D82AB43-62DA-11CF-AB39-0020AF71E433" as its four fields.
  bool Guid(const std::string& text) {
    std::string hex;
    for (const char c : text) {
      if (c != '-' && c != ' ') hex += c;
    }
    if (hex.size() != 32 || text.size() > 40) return false;
    std::uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
      char* end = nullptr;
      const std::string pair = hex.substr(static_cast<std::size_t>(i) * 2, 2);
      bytes[i] = static_cast<std::uint8_t>(std::strtoul(pair.c_str(), &end, 16));
      if (end != pair.c_str() + 2) return false;
    }
    // data1 (32 bits), data2 and data3 (16 bits) are little-endian; data4 is bytes.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    Token(xtoken::kGuid);
    for (const int i : order) out_.push_back(static_cast<char>(bytes[i]));
    return true;
  }
  void ListInteger(std::uint32_t value) {
    if (floats_.size() > 0) Flush();
    integers_.push_back(value);
  }
  void ListFloat(double value) {
    if (integers_.size() > 0) Flush();
    floats_.push_back(value);
  }
  const std::string& Bytes() {
    Flush();
    return out_;
  }

 private:
  void Put(const void* data, std::size_t size) { out_.append(static_cast<const char*>(data), size); }
  void Put32(std::uint32_t value) { Put(&value, 4); }
  void Flush() {
    if (!integers_.empty()) {
      const std::uint16_t token = xtoken::kIntegerList;
      Put(&token, 2);
      Put32(static_cast<std::uint32_t>(integers_.size()));
      Put(integers_.data(), integers_.size() * 4);
      integers_.clear();
    }
    if (!floats_.empty()) {
      const std::uint16_t token = xtoken::kFloatList;
      Put(&token, 2);
      Put32(static_cast<std::uint32_t>(floats_.size()));
      for (const double value : floats_) {
        const float single = static_cast<float>(value);
        if (doubles_) {
          Put(&value, 8);
        } else {
          Put(&single, 4);
        }
      }
      floats_.clear();
    }
  }

  bool doubles_;
  std::string out_;
  std::vector<std::uint32_t> integers_;
  std::vector<double> floats_;
};

// The text tokens as the parser consumes them, written out as binary tokens.
// The parser's reads say which numbers are floats; numbers inside objects
// it skips are integers when they are plain digits.
class RecordingTokens : public XFileTokenSource {
 public:
  RecordingTokens(const char* data, std::size_t size, BinaryWriter* writer) : text_(data, size), writer_(writer) {}
  bool Failed() const { return failed_; }

  Kind Peek() override { return text_.Peek(); }
  Kind Next() override {
    const Kind kind = text_.Next();
    Record(kind);
    return kind;
  }
  const std::string& Text() const override { return text_.Text(); }
  std::size_t Remaining() const override { return text_.Remaining(); }
  bool ReadFloat(float* value) override {
    if (!text_.ReadFloat(value)) return false;
    writer_->ListFloat(*value);
    return true;
  }
  bool ReadCount(std::uint32_t limit, std::uint32_t* value) override {
    if (!text_.ReadCount(limit, value)) return false;
    writer_->ListInteger(*value);
    return true;
  }
  bool ReadString(std::string* value) override {
    if (!text_.ReadString(value)) return false;
    writer_->String(*value);
    return true;
  }

 private:
  void Record(Kind kind) {
    const std::string& text = text_.Text();
    switch (kind) {
      case Kind::Name: RecordName(text); break;
      case Kind::Number: RecordNumber(text); break;
      case Kind::String: writer_->String(text); break;
      case Kind::Guid: failed_ = failed_ || !writer_->Guid(text); break;
      case Kind::Open:
        writer_->Token(xtoken::kOpenBrace);
        if (templateDepth_ > 0 || templateNext_) ++templateDepth_;
        templateNext_ = false;
        break;
      case Kind::Close:
        writer_->Token(xtoken::kCloseBrace);
        if (templateDepth_ > 0) --templateDepth_;
        break;
      case Kind::Other: RecordOther(text); break;
      case Kind::End:
      case Kind::Error: break;
    }
  }

  void RecordName(const std::string& text) {
    if (text == "template") {
      writer_->Token(xtoken::kTemplate);
      templateNext_ = true;
      return;
    }
    for (std::uint16_t token = xtoken::kFirstKeyword; token <= xtoken::kLastKeyword; ++token) {
      if (text == xtoken::KeywordText(token)) {
        writer_->Token(token);
        return;
      }
    }
    writer_->Name(text);
  }

  void RecordNumber(const std::string& text) {
    // The "[...]" of an open template reads as one number-like token.
    if (text.find_first_not_of('.') == std::string::npos) {
      for (std::size_t i = 0; i < text.size(); ++i) writer_->Token(xtoken::kDot);
      return;
    }
    const bool digits = text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long long integer = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
    if (digits && integer <= 0xFFFFFFFFull) {
      // Array sizes of a template are single integers; data goes in lists.
      if (templateDepth_ > 0) {
        writer_->Integer(static_cast<std::uint32_t>(integer));
      } else {
        writer_->ListInteger(static_cast<std::uint32_t>(integer));
      }
      return;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
      failed_ = true;
      return;
    }
    writer_->ListFloat(value);
  }

  void RecordOther(const std::string& text) {
    static const char kOthers[] = "()[]<>.";
    const char* found = text.size() == 1 ? std::strchr(kOthers, text[0]) : nullptr;
    if (found == nullptr || *found == '\0') {
      failed_ = true;
      return;
    }
    writer_->Token(static_cast<std::uint16_t>(xtoken::kOpenParen + (found - kOthers)));
  }

  XFileTokenizer text_;
  BinaryWriter* writer_;
  bool failed_ = false;
  bool templateNext_ = false;
  int templateDepth_ = 0;
};

}  // namespace

const char* XFileFormName(XFileForm form) {
  switch (form) {
    case XFileForm::Text: return "txt ";
    case XFileForm::Binary: return "bin ";
    case XFileForm::CompressedText: return "tzip";
    case XFileForm::CompressedBinary: return "bzip";
  }
  return "txt ";
}

bool EncodeXFile(const std::string& text, XFileForm form, int floatBits, std::string* out) {
  out->clear();
  if (text.size() < 16 || text.compare(0, 4, "xof ") != 0 || text.compare(8, 4, "txt ") != 0) return false;
  if (floatBits != 32 && floatBits != 64) return false;
  std::string body = text.substr(16);
  if (form == XFileForm::Binary || form == XFileForm::CompressedBinary) {
    BinaryWriter writer(floatBits == 64);
    RecordingTokens tokens(body.data(), body.size(), &writer);
    std::vector<FileMesh> meshes;
    if (!ParseXFile(tokens, &meshes) || tokens.Failed()) return false;
    body = writer.Bytes();
  }
  if (form == XFileForm::CompressedText || form == XFileForm::CompressedBinary) {
    std::string compressed;
    if (!DeflateXFileBody(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), &compressed)) return false;
    body = std::move(compressed);
  }
  *out = text.substr(0, 8) + XFileFormName(form) + (floatBits == 64 ? "0064" : "0032") + body;
  return true;
}

}  // namespace d3dx
