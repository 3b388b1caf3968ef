#pragma once
// What the libFuzzer harnesses share: a file that holds the current input
// for loaders that read a path, and a headless Direct3D device for the
// loaders that make textures.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3d9/D3d9.h"

namespace fuzz {

// A private directory (in /dev/shm when there is one, so inputs never touch
// a disk) with one file in it that each input replaces. Removed at exit.
class InputFile {
 public:
  explicit InputFile(const char* name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  void Write(const std::uint8_t* data, std::size_t size);
  // Another file in the same directory, for the input to refer to.
  void WriteBeside(const char* name, const std::string& contents) const;
  const std::string& Path() const { return path_; }
  const std::string& Directory() const { return directory_; }

 private:
  std::string directory_;
  std::string path_;
  int fd_ = -1;
};

// A small headless device, made on first use and kept for the process.
IDirect3DDevice9* Device();

// A 4 x 4 PNG of one colour, for inputs that name texture files.
std::string SmallPng();

}  // namespace fuzz
