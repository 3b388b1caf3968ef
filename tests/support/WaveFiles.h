#pragma once
// Hand-made RIFF and wave files for the loader tests: chunks are put
// together byte by byte, so broken files are as easy to make as good ones.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace wavefiles {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes* out, std::uint32_t v) {
  out->push_back(static_cast<std::uint8_t>(v));
  out->push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes* out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void PutId(Bytes* out, const char* id) { out->insert(out->end(), id, id + 4); }

// A chunk with its header; `size` overrides the stored size (for lies).
inline Bytes Chunk(const char* id, const Bytes& payload, std::int64_t size = -1) {
  Bytes out;
  PutId(&out, id);
  Put32(&out, static_cast<std::uint32_t>(size < 0 ? static_cast<std::int64_t>(payload.size()) : size));
  out.insert(out.end(), payload.begin(), payload.end());
  if (payload.size() % 2 != 0) out.push_back(0);
  return out;
}

inline Bytes Riff(const char* type, const std::vector<Bytes>& chunks) {
  Bytes payload;
  PutId(&payload, type);
  for (const Bytes& c : chunks) payload.insert(payload.end(), c.begin(), c.end());
  return Chunk("RIFF", payload);
}

// A "fmt " chunk: the 16-byte record, plus cbSize and `extra` bytes when
// extra >= 0.
inline Bytes Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                    int extra = -1) {
  Bytes p;
  const std::uint16_t block = static_cast<std::uint16_t>(channels * bits / 8);
  Put16(&p, tag);
  Put16(&p, channels);
  Put32(&p, rate);
  Put32(&p, rate * block);
  Put16(&p, block);
  Put16(&p, bits);
  if (extra >= 0) {
    Put16(&p, static_cast<std::uint32_t>(extra));
    p.insert(p.end(), static_cast<std::size_t>(extra), 0);
  }
  return Chunk("fmt ", p);
}

// Mono 16-bit sine samples.
inline Bytes Sine(std::uint32_t rate, double seconds, double frequency, double amplitude = 12000.0) {
  Bytes p;
  const auto frames = static_cast<std::uint32_t>(rate * seconds);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double v = amplitude * std::sin(2.0 * 3.14159265358979 * frequency * i / rate);
    Put16(&p, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v))));
  }
  return p;
}

// A playable mono 16-bit wave file.
inline Bytes MonoWave(std::uint32_t rate, double seconds, double frequency = 440.0) {
  return Riff("WAVE", {Format(1, 1, rate, 16), Chunk("data", Sine(rate, seconds, frequency))});
}

inline bool Write(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace wavefiles
