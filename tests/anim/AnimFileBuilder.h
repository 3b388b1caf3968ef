#pragma once
// Builds .bone and .pose files byte by byte and writes them to a scratch
// directory.

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

class AnimFileBuilder {
 public:
  AnimFileBuilder& Magic(const char* magic) { return Raw(std::string(magic, 4)); }
  AnimFileBuilder& Int(std::int32_t value) { return Bytes(&value, 4); }
  AnimFileBuilder& Float(float value) { return Bytes(&value, 4); }
  AnimFileBuilder& Vec(float x, float y, float z) { return Float(x).Float(y).Float(z); }
  // A 32-byte name field, NUL-padded.
  AnimFileBuilder& Name(const std::string& name) {
    std::string field = name;
    field.resize(32, '\0');
    return Raw(field);
  }
  AnimFileBuilder& Raw(const std::string& bytes) {
    data_ += bytes;
    return *this;
  }
  // One bone record with its influences.
  AnimFileBuilder& Bone(std::int32_t parent, const std::string& name, float x, float y, float z, std::int32_t flags = 0,
                        const std::vector<std::int32_t>& vertices = {}, const std::vector<float>& weights = {}) {
    Int(parent).Name(name).Vec(x, y, z).Int(static_cast<std::int32_t>(vertices.size())).Int(flags);
    for (std::int32_t v : vertices) Int(v);
    for (float w : weights) Float(w);
    return *this;
  }

  const std::string& Data() const { return data_; }

 private:
  AnimFileBuilder& Bytes(const void* value, std::size_t size) {
    data_.append(static_cast<const char*>(value), size);
    return *this;
  }
  std::string data_;
};

class AnimScratch {
 public:
  AnimScratch() {
    static int counter = 0;
    path_ = (std::filesystem::temp_directory_path() /
             ("grapple_anim_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
                .string() +
            "/";
    std::filesystem::create_directories(path_);
  }
  ~AnimScratch() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  const std::string& Path() const { return path_; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ + name, std::ios::binary | std::ios::trunc) << bytes;
    return path_ + name;
  }

 private:
  std::string path_;
};
