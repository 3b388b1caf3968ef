#pragma once
// Wave files: the format and the samples of a RIFF "WAVE" file, read with
// the multimedia RIFF functions. The file is untrusted: every size is
// checked against the file before anything is read or allocated.

#include <cstdint>
#include <vector>

#include "platform/dsound8/DSound8.h"

struct WaveFileData {
  WAVEFORMATEX format{};
  std::vector<std::uint8_t> samples;
};

// Reads the "fmt " and "data" chunks of the file opened under fileName.
// A "fmt " chunk longer than WAVEFORMATEX (18 bytes; compressed and
// extensible formats carry more) gives its first 18 bytes, so the caller
// sees the format tag. False when the file cannot be opened, is not a RIFF
// "WAVE" file, its "fmt " chunk is missing, shorter than 16 bytes or gives
// 0 bytes per second, or its "data" chunk is missing, empty or runs past the
// end of the file.
bool ReadWaveFile(const char* fileName, WaveFileData* out);
