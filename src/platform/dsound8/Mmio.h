#pragma once
// The multimedia RIFF file functions, read-only: descend into and ascend out
// of chunks, read their data. Every chunk is checked against the chunk that
// holds it (and the file), so a size that reaches past its container makes
// the descent fail instead of sending a reader past the end.
//
// The reader lives beside the sound layer, its only user.

#include "platform/win32/WinTypes.h"

using FOURCC = DWORD;
using MMRESULT = UINT;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<FOURCC>(static_cast<BYTE>(a)) | (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
         (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) | (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}

struct MMCKINFO {
  FOURCC ckid;
  DWORD cksize;        // data bytes, without the header or the pad byte
  FOURCC fccType;      // form or list type of RIFF and LIST chunks
  DWORD dwDataOffset;  // file offset of the data (of the type, for RIFF and LIST)
  DWORD dwFlags;
};

struct MMIOINFO;  // buffered-I/O settings; only null is accepted
struct HMMIO__;
using HMMIO = HMMIO__*;

constexpr DWORD MMIO_READ = 0x0;
constexpr DWORD MMIO_WRITE = 0x1;
constexpr DWORD MMIO_READWRITE = 0x2;
constexpr DWORD MMIO_ALLOCBUF = 0x10000;
constexpr UINT MMIO_FINDCHUNK = 0x10;
constexpr UINT MMIO_FINDRIFF = 0x20;
constexpr UINT MMIO_FINDLIST = 0x40;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_INVALIDFILE = 272;

// Opens a file for reading (MMIO_READ, optionally MMIO_ALLOCBUF); null when
// it cannot be opened or another mode is asked for.
HMMIO mmioOpenA(LPCSTR fileName, MMIOINFO* info, DWORD flags);
// From the current position, finds the next chunk (MMIO_FINDCHUNK: with
// ckid; MMIO_FINDRIFF / MMIO_FINDLIST: a RIFF / LIST chunk of fccType; no
// flag: any chunk) within parent (or the file), fills *chunk and moves to
// its data (past the type for RIFF and LIST). MMIOERR_CHUNKNOTFOUND when
// there is none, MMIOERR_INVALIDFILE for a chunk larger than its container.
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
// Reads up to count bytes; the number read (0 at the end), -1 on error.
LONG mmioRead(HMMIO file, char* buffer, LONG count);
// Moves past the end of the chunk (and its pad byte).
MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT flags);
MMRESULT mmioClose(HMMIO file, UINT flags);
