// Wave files: the format and duration, and what the sound system says when
// it loads the file.

#include <cstdio>
#include <string>
#include <vector>

#include "frame/MessageOutputInterface.h"
#include "sound/SoundSystem.h"
#include "sound/WaveFile.h"
#include "tools/inspect/Inspectors.h"

namespace {

class Collector : public MessageOutputInterface {
 public:
  void Output(const char* text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

const char* FormatName(WORD tag) {
  switch (tag) {
    case 0x0001: return "PCM";
    case 0x0002: return "Microsoft ADPCM";
    case 0x0003: return "IEEE float";
    case 0x0006: return "A-law";
    case 0x0007: return "mu-law";
    case 0x0011: return "IMA ADPCM";
    case 0x0055: return "MPEG layer 3";
    case 0xFFFE: return "extensible";
    default: return nullptr;
  }
}

}  // namespace

int InspectWave(const char* path) {
  WaveFileData wave;
  if (ReadWaveFile(path, &wave)) {
    const WAVEFORMATEX& f = wave.format;
    const char* name = FormatName(f.wFormatTag);
    char tag[16];
    std::snprintf(tag, sizeof(tag), "format 0x%04X", f.wFormatTag);
    std::printf("%s: %s, %u channel%s, %u Hz, %u bit, %u bytes/s; %zu bytes, %.3f s\n", path,
                name != nullptr ? name : tag, f.nChannels, f.nChannels == 1 ? "" : "s", f.nSamplesPerSec,
                f.wBitsPerSample, f.nAvgBytesPerSec, wave.samples.size(),
                static_cast<double>(wave.samples.size()) / f.nAvgBytesPerSec);
  }
  // The verdict is the game's own: the sound system loads the file.
  SoundSystem sound;
  if (!sound.Init(nullptr, 0.99f)) {
    std::printf("%s: no sound device to check the file with\n", path);
    return 1;
  }
  Collector messages;
  SoundData* data = sound.Load(path, &messages);
  for (const std::string& line : messages.lines) std::printf("%s\n", line.c_str());
  const bool usable = data != nullptr;
  sound.Unload(data);
  sound.Shutdown();
  return usable ? 0 : 1;
}
