#pragma once
// Writes a .x text file in each of the forms the loader reads: text, binary,
// MSZIP-compressed text or binary, with 32- or 64-bit floats. The text is
// parsed by the loader's own parser, which tells which numbers are floats
// and which are integers, so the binary form carries the same values as
// the text and loads into the same mesh. Used by the tests, the benchmarks
// and the fuzzers' seed corpora; the game itself only reads .x files.

#include <cstddef>
#include <string>

namespace d3dx {

enum class XFileForm { Text, Binary, CompressedText, CompressedBinary };

// The header's format field for a form: "txt ", "bin ", "tzip" or "bzip".
const char* XFileFormName(XFileForm form);

// Re-encodes a whole .x text file (header included). floatBits is 32 or 64.
// False when the text does not parse or the result would be too large.
bool EncodeXFile(const std::string& text, XFileForm form, int floatBits, std::string* out);

}  // namespace d3dx
