#include "WaveWriter.h"

#include <cmath>
#include <cstdint>

#include "FileOutput.h"

namespace assetgen {

bool WriteWave(const std::vector<float>& samples, int sampleRate, const std::string& path, std::string* error) {
  if (samples.empty() || sampleRate <= 0) {
    if (error != nullptr) *error = path + ": no samples";
    return false;
  }
  std::vector<std::uint8_t> data;
  data.reserve(samples.size() * 2);
  for (float sample : samples) {
    if (!std::isfinite(sample)) {
      if (error != nullptr) *error = path + ": a sample is not finite";
      return false;
    }
    const float clipped = sample > 1.0f ? 1.0f : (sample < -1.0f ? -1.0f : sample);
    const long value = std::lround(static_cast<double>(clipped) * 32767.0);
    PutU16(&data, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
  }
  constexpr std::uint16_t kChannels = 1;
  constexpr std::uint16_t kBits = 16;
  const std::uint32_t rate = static_cast<std::uint32_t>(sampleRate);
  const std::uint16_t blockAlign = kChannels * kBits / 8;

  std::vector<std::uint8_t> out;
  PutTag(&out, "RIFF");
  PutU32(&out, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + data.size()));
  PutTag(&out, "WAVE");
  PutTag(&out, "fmt ");
  PutU32(&out, 16);
  PutU16(&out, 1);  // PCM
  PutU16(&out, kChannels);
  PutU32(&out, rate);
  PutU32(&out, rate * blockAlign);
  PutU16(&out, blockAlign);
  PutU16(&out, kBits);
  PutTag(&out, "data");
  PutU32(&out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  // The sample data are 2-byte units, so the chunk never needs a pad byte.
  return WriteWholeFile(path, out, error);
}

}  // namespace assetgen
