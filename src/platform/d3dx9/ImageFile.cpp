// Loading and saving PNG files: whole-file reads with a size limit, so a
// huge file, a directory or a device is refused before anything is read.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/d3dx9/ErrorResult.h"
#include "platform/d3dx9/ImageCodec.h"

namespace d3dx {
namespace {

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes, std::string* error) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(error, std::string("cannot open ") + path + ": " + std::strerror(errno));

  struct stat info {};
  std::string problem;
  if (fstat(fd, &info) != 0) {
    problem = std::string("cannot stat ") + path + ": " + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    problem = std::string(path) + " is not a regular file";
  } else if (std::uint64_t(info.st_size) > kMaxImageFileBytes) {
    problem = std::string(path) + " is too large (" + std::to_string(info.st_size) + " bytes)";
  }
  if (!problem.empty()) {
    close(fd);
    return Fail(error, problem);
  }

  bytes->resize(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes->size()) {
    const ssize_t got = read(fd, bytes->data() + done, bytes->size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      problem = std::string("cannot read ") + path + (got < 0 ? std::string(": ") + std::strerror(errno) : "");
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  close(fd);
  if (!problem.empty()) {
    bytes->clear();
    return Fail(error, problem);
  }
  return true;
}

}  // namespace

bool LoadPngFile(const char* path, Image* out, std::string* error) {
  *out = Image{};
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  if (!DecodePng(bytes.data(), bytes.size(), out, error)) {
    if (error != nullptr) *error = std::string(path) + ": " + *error;
    return false;
  }
  return true;
}

bool SavePngFile(const char* path, const Image& image, std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!EncodePng(image, &bytes, error)) return false;
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return Fail(error, std::string("cannot create ") + path + ": " + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    return Fail(error, std::string("cannot write ") + path + ": " + std::strerror(written ? errno : writeErrno));
  }
  return true;
}

}  // namespace d3dx
