#pragma once
// Audio capture for tests and tools: while an AudioCapture lives, new
// DirectSound objects mix into memory (OpenAL Soft's loopback device)
// instead of a sound card, and Render takes the next stretch of the mix.

#include <cstdint>
#include <vector>

class IDirectSound8;

namespace host {

class AudioCapture {
 public:
  AudioCapture();
  ~AudioCapture();
  AudioCapture(const AudioCapture&) = delete;
  AudioCapture& operator=(const AudioCapture&) = delete;

  // Frames per second of the mix.
  static int Rate();
  // Mixes the next `frames` frames: stereo 16-bit samples, left first.
  static bool Render(IDirectSound8* sound, int frames, std::vector<std::int16_t>* out);
  // Root-mean-square level of each channel of a stereo mix, 0 to 32768.
  struct Levels {
    double left;
    double right;
  };
  static Levels Measure(const std::vector<std::int16_t>& stereo);
  // Writes a stereo mix as a 16-bit PCM wave file.
  static bool SaveWav(const char* path, const std::vector<std::int16_t>& stereo);
};

}  // namespace host
