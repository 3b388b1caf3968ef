#include "sound/WaveFile.h"

#include <algorithm>

#include "platform/dsound8/Mmio.h"

namespace {

constexpr DWORD kShortestFormat = 16;  // the format record without cbSize

bool ReadChunks(HMMIO file, WaveFileData* out) {
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return false;

  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
  // Never read past the record: a longer chunk gives its first 18 bytes
  // (ascending skips the rest).
  if (chunk.cksize < kShortestFormat) return false;
  out->format = WAVEFORMATEX{};
  const LONG size = static_cast<LONG>(std::min<DWORD>(chunk.cksize, sizeof(WAVEFORMATEX)));
  if (mmioRead(file, reinterpret_cast<char*>(&out->format), size) != size) return false;
  if (out->format.nAvgBytesPerSec == 0) return false;
  if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) return false;

  chunk = MMCKINFO{};
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
  // Descending checked the size against the file, so this allocation is
  // never larger than the file itself.
  if (chunk.cksize == 0 || chunk.cksize > 0x7FFFFFFFu) return false;
  out->samples.resize(chunk.cksize);
  const LONG bytes = static_cast<LONG>(chunk.cksize);
  return mmioRead(file, reinterpret_cast<char*>(out->samples.data()), bytes) == bytes;
}

}  // namespace

bool ReadWaveFile(const char* fileName, WaveFileData* out) {
  if (fileName == nullptr || out == nullptr) return false;
  HMMIO file = mmioOpenA(fileName, nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (file == nullptr) return false;
  const bool read = ReadChunks(file, out);
  mmioClose(file, 0);
  if (!read) out->samples.clear();
  return read;
}
