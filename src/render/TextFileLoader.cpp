#include "render/TextFileLoader.h"

#include <cstdio>
#include <cstring>

bool TextFileLoader::Load(const char* path) {
  lines_.clear();
  if (path == nullptr) return false;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return false;

  char buffer[2048];
  while (std::fgets(buffer, sizeof(buffer), file) != nullptr) {
    std::size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\n') {
      --length;
      if (length > 0 && buffer[length - 1] == '\r') --length;
    }
    lines_.emplace_back(buffer, length);
  }
  // A read error (a directory opens but cannot be read) counts as unreadable.
  const bool readable = std::ferror(file) == 0;
  std::fclose(file);
  if (!readable) lines_.clear();
  return readable;
}

const std::string& TextFileLoader::GetLine(std::size_t index) const {
  static const std::string kEmpty;
  return index < lines_.size() ? lines_[index] : kEmpty;
}
