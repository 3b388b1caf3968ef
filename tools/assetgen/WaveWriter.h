#pragma once
// Mono 16-bit PCM wave files (RIFF "WAVE": a 16-byte "fmt " chunk and the
// "data" chunk), the only kind the game's 3D sound buffers take.

#include <string>
#include <vector>

namespace assetgen {

// Samples in [-1, 1]; values beyond are clipped, and a sample that is not
// finite refuses the whole sound (nothing is written).
bool WriteWave(const std::vector<float>& samples, int sampleRate, const std::string& path, std::string* error);

}  // namespace assetgen
