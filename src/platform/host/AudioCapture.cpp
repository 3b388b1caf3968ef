#include "platform/host/AudioCapture.h"

#include <cmath>
#include <cstdio>

#include "platform/dsound8/DSoundAutomation.h"

namespace host {

AudioCapture::AudioCapture() { dsound8::UseLoopbackDevice(true); }
AudioCapture::~AudioCapture() { dsound8::UseLoopbackDevice(false); }

int AudioCapture::Rate() { return dsound8::LoopbackRate(); }

bool AudioCapture::Render(IDirectSound8* sound, int frames, std::vector<std::int16_t>* out) {
  if (out == nullptr || frames < 0) return false;
  out->assign(static_cast<std::size_t>(frames) * 2, 0);
  return dsound8::RenderLoopback(sound, out->data(), frames);
}

AudioCapture::Levels AudioCapture::Measure(const std::vector<std::int16_t>& stereo) {
  double sums[2] = {0.0, 0.0};
  const std::size_t frames = stereo.size() / 2;
  for (std::size_t i = 0; i < frames * 2; ++i) sums[i % 2] += static_cast<double>(stereo[i]) * stereo[i];
  if (frames == 0) return Levels{0.0, 0.0};
  return Levels{std::sqrt(sums[0] / frames), std::sqrt(sums[1] / frames)};
}

bool AudioCapture::SaveWav(const char* path, const std::vector<std::int16_t>& stereo) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const std::uint32_t rate = static_cast<std::uint32_t>(Rate());
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(stereo.size() * 2);
  auto put32 = [file](std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, file);
  };
  auto put16 = [file](std::uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, file);
  };
  std::fwrite("RIFF", 1, 4, file);
  put32(36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, file);
  put32(16);
  put16(1);
  put16(2);
  put32(rate);
  put32(rate * 4);
  put16(4);
  put16(16);
  std::fwrite("data", 1, 4, file);
  put32(dataBytes);
  for (std::int16_t sample : stereo) put16(static_cast<std::uint16_t>(sample));
  return std::fclose(file) == 0;
}

}  // namespace host
