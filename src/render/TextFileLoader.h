#pragma once
// Reads a text file into a list of lines (the material loader's input).

#include <cstddef>
#include <string>
#include <vector>

class TextFileLoader {
 public:
  virtual ~TextFileLoader() = default;

  // Replaces the lines by those of the file; false when it cannot be read.
  // A line ends at a line feed, or at a carriage return just before one; the
  // last line needs no line break; empty lines are kept. A line longer than
  // 2047 bytes arrives as several lines of at most 2047 bytes each.
  bool Load(const char* path);

  // The line of the index (from 0), or an empty string past the end.
  const std::string& GetLine(std::size_t index) const;
  std::size_t GetLineCount() const { return lines_.size(); }

 private:
  std::vector<std::string> lines_;
};
