// xconvert: writes a .x text file in another form the game reads.
//
//   xconvert txt|bin|tzip|bzip [32|64] IN.x OUT.x
//
// bin is the binary token form, tzip and bzip the MSZIP-compressed text and
// binary forms; 32 or 64 is the float size (32 unless given). The result
// loads into the same mesh as the text it came from.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/d3dx9/XFileEncoder.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: xconvert txt|bin|tzip|bzip [32|64] IN.x OUT.x\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return Usage();
  d3dx::XFileForm form = d3dx::XFileForm::Text;
  bool known = false;
  for (const d3dx::XFileForm candidate : {d3dx::XFileForm::Text, d3dx::XFileForm::Binary,
                                          d3dx::XFileForm::CompressedText, d3dx::XFileForm::CompressedBinary}) {
    std::string name = d3dx::XFileFormName(candidate);
    if (name.back() == ' ') name.pop_back();
    if (name == argv[1]) {
      form = candidate;
      known = true;
    }
  }
  int floatBits = 32;
  if (argc == 5) {
    if (std::strcmp(argv[2], "32") != 0 && std::strcmp(argv[2], "64") != 0) return Usage();
    floatBits = std::strcmp(argv[2], "64") == 0 ? 64 : 32;
  }
  if (!known) return Usage();
  const char* in = argv[argc - 2];
  const char* out = argv[argc - 1];

  std::ifstream input(in, std::ios::binary);
  if (!input) {
    std::fprintf(stderr, "xconvert: cannot read %s\n", in);
    return 1;
  }
  std::ostringstream text;
  text << input.rdbuf();
  std::string encoded;
  if (!d3dx::EncodeXFile(text.str(), form, floatBits, &encoded)) {
    std::fprintf(stderr, "xconvert: %s is not a .x text file the game reads\n", in);
    return 1;
  }
  std::ofstream output(out, std::ios::binary);
  if (!output.write(encoded.data(), static_cast<std::streamsize>(encoded.size()))) {
    std::fprintf(stderr, "xconvert: cannot write %s\n", out);
    return 1;
  }
  std::printf("%s: %zu bytes (%s, %d-bit floats)\n", out, encoded.size(), argv[1], floatBits);
  return 0;
}
