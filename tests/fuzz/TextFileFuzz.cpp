// The text-file reader under the material loader: the lines it returns
// must keep its promises (no line feed inside a line, at most 2047 bytes a
// line, no more bytes than the file holds).

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "render/TextFileLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile input("lines.txt");
  input.Write(data, size);
  TextFileLoader file;
  if (!file.Load(input.Path().c_str())) __builtin_trap();
  std::size_t total = 0;
  for (std::size_t i = 0; i < file.GetLineCount(); ++i) {
    const std::string& line = file.GetLine(i);
    if (line.size() > 2047 || line.find('\n') != std::string::npos) __builtin_trap();
    total += line.size();
  }
  if (total > size || !file.GetLine(file.GetLineCount()).empty()) __builtin_trap();
  return 0;
}
