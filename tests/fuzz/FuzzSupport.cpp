#include "FuzzSupport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/d3dx9/ImageCodec.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"

namespace fuzz {

InputFile::InputFile(const char* name) {
  const bool shm = access("/dev/shm", W_OK) == 0;
  std::string pattern = (shm ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
                        "/grapple-fuzz-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  directory_ = std::string(buffer.data()) + "/";
  path_ = directory_ + name;
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    std::perror(path_.c_str());
    std::abort();
  }
}

InputFile::~InputFile() {
  if (fd_ >= 0) close(fd_);
  std::error_code error;
  std::filesystem::remove_all(directory_, error);
}

void InputFile::Write(const std::uint8_t* data, std::size_t size) {
  if (ftruncate(fd_, 0) != 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (written <= 0) std::abort();
    done += static_cast<std::size_t>(written);
  }
}

void InputFile::WriteBeside(const char* name, const std::string& contents) const {
  std::FILE* file = std::fopen((directory_ + name).c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(contents.data(), 1, contents.size(), file);
  std::fclose(file);
}

IDirect3DDevice9* Device() {
  static host::HeadlessDevice* device = [] {
    host::UseHeadlessDrivers();
    auto* created = new host::HeadlessDevice;  // kept for the process: drivers dislike late teardown
    if (!created->Create(64, 64)) {
      std::fprintf(stderr, "fuzz: no headless device\n");
      std::abort();
    }
    return created;
  }();
  return device->Device();
}

std::string SmallPng() {
  d3dx::Image image;
  image.width = 4;
  image.height = 4;
  image.hasAlpha = true;
  image.pixels.assign(16, 0xFF808080u);
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!d3dx::EncodePng(image, &bytes, &error)) std::abort();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace fuzz
