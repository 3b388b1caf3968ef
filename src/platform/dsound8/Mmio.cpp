#include "platform/dsound8/Mmio.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

struct HMMIO__ {
  std::FILE* file = nullptr;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
};

namespace {

constexpr FOURCC kRiff = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC kList = mmioFOURCC('L', 'I', 'S', 'T');

bool Seek(HMMIO file, std::uint64_t position) {
  if (position > file->size) return false;
  if (fseeko(file->file, static_cast<off_t>(position), SEEK_SET) != 0) return false;
  file->position = position;
  return true;
}

bool ReadDword(HMMIO file, DWORD* value) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, 4, file->file) != 4) return false;
  file->position += 4;
  *value = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
           (static_cast<DWORD>(bytes[3]) << 24);
  return true;
}

}  // namespace

HMMIO mmioOpenA(LPCSTR fileName, MMIOINFO* info, DWORD flags) {
  if (fileName == nullptr || info != nullptr || (flags & ~MMIO_ALLOCBUF) != MMIO_READ) return nullptr;
  std::FILE* f = std::fopen(fileName, "rb");
  if (f == nullptr) return nullptr;
  if (fseeko(f, 0, SEEK_END) != 0) {
    std::fclose(f);
    return nullptr;
  }
  const off_t size = ftello(f);
  if (size < 0 || fseeko(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return nullptr;
  }
  auto* file = new HMMIO__();
  file->file = f;
  file->size = static_cast<std::uint64_t>(size);
  return file;
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags) {
  if (file == nullptr || chunk == nullptr) return MMSYSERR_INVALPARAM;
  std::uint64_t end = file->size;
  if (parent != nullptr) end = std::min<std::uint64_t>(end, std::uint64_t{parent->dwDataOffset} + parent->cksize);
  for (;;) {
    const std::uint64_t start = file->position;
    if (start + 8 > end) return MMIOERR_CHUNKNOTFOUND;
    DWORD id = 0;
    DWORD size = 0;
    if (!ReadDword(file, &id) || !ReadDword(file, &size)) return MMIOERR_CANNOTREAD;
    const std::uint64_t data = start + 8;
    if (data + size > end) return MMIOERR_INVALIDFILE;
    const bool container = id == kRiff || id == kList;
    DWORD type = 0;
    if (container) {
      if (size < 4) return MMIOERR_INVALIDFILE;
      if (!ReadDword(file, &type)) return MMIOERR_CANNOTREAD;
    }
    bool match = true;
    if ((flags & MMIO_FINDRIFF) != 0) {
      match = id == kRiff && type == chunk->fccType;
    } else if ((flags & MMIO_FINDLIST) != 0) {
      match = id == kList && type == chunk->fccType;
    } else if ((flags & MMIO_FINDCHUNK) != 0) {
      match = id == chunk->ckid;
    }
    if (match) {
      chunk->ckid = id;
      chunk->cksize = size;
      chunk->fccType = container ? type : 0;
      chunk->dwDataOffset = static_cast<DWORD>(data);
      chunk->dwFlags = 0;
      return Seek(file, data + (container ? 4 : 0)) ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
    }
    // Chunks are padded to an even size; a pad byte past the container
    // ends the search.
    const std::uint64_t next = data + size + (size & 1u);
    if (next > end) return MMIOERR_CHUNKNOTFOUND;
    if (!Seek(file, next)) return MMIOERR_CANNOTSEEK;
  }
}

LONG mmioRead(HMMIO file, char* buffer, LONG count) {
  if (file == nullptr || count < 0 || (buffer == nullptr && count > 0)) return -1;
  const std::uint64_t left = file->size - file->position;
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), left));
  const std::size_t got = std::fread(buffer, 1, wanted, file->file);
  if (got != wanted) return -1;
  file->position += got;
  return static_cast<LONG>(got);
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT) {
  if (file == nullptr || chunk == nullptr) return MMSYSERR_INVALPARAM;
  const std::uint64_t end = std::uint64_t{chunk->dwDataOffset} + chunk->cksize + (chunk->cksize & 1u);
  // A pad byte missing at the very end of the file is tolerated.
  return Seek(file, std::min(end, file->size)) ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
}

MMRESULT mmioClose(HMMIO file, UINT) {
  if (file == nullptr) return MMSYSERR_INVALPARAM;
  std::fclose(file->file);
  delete file;
  return MMSYSERR_NOERROR;
}
