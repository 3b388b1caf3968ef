#pragma once
// DirectSound 8 on OpenAL Soft: a primary buffer with the 3D listener, and
// secondary buffers that hold PCM data and play as positional voices.
//
// A secondary buffer's samples live in one OpenAL buffer shared by all its
// duplicates; each buffer object that plays gets an OpenAL source of its own
// (taken from and returned to a free list), so a duplicate copies no
// samples.
//
// 3D model, as DirectSound's: gain = min / (min + rolloff * (d - min)) for a
// distance d between the minimum and maximum distance, 1 inside the minimum
// distance, held at its maximum-distance value beyond it, and silence beyond
// it for buffers created with DSBCAPS_MUTE3DATMAXDISTANCE. Positions and
// orientations are left-handed (x right, y up, z forward) and are mirrored
// along z into OpenAL's right-handed space.
//
// Devices: DirectSoundCreate8 opens OpenAL's default device. OpenAL Soft's
// null backend (ALSOFT_DRIVERS=null, used by headless runs) is a device that
// mixes into nothing, so creation succeeds there; creation fails only when
// no backend can open a device (no sound card and no sound server).

#include "platform/d3d9/D3d9Types.h"
#include "platform/win32/Guid.h"
#include "platform/win32/WinTypes.h"

// Result codes.
constexpr HRESULT DS_OK = S_OK;
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);

// Cooperative levels.
constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

// Buffer capabilities.
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr DWORD DSBCAPS_STATIC = 0x2;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x8;
constexpr DWORD DSBCAPS_CTRL3D = 0x10;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x8000;
constexpr DWORD DSBCAPS_MUTE3DATMAXDISTANCE = 0x20000;
constexpr DWORD DSBCAPS_LOCDEFER = 0x40000;

// Play, lock and status flags.
constexpr DWORD DSBPLAY_LOOPING = 0x1;
constexpr DWORD DSBPLAY_TERMINATEBY_TIME = 0x8;
constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x1;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x2;
constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;
constexpr DWORD DSBSTATUS_LOCSOFTWARE = 0x8;

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

// 3D settings.
constexpr DWORD DS3D_IMMEDIATE = 0;
constexpr DWORD DS3D_DEFERRED = 1;
constexpr DWORD DS3DMODE_NORMAL = 0;
constexpr DWORD DS3DMODE_HEADRELATIVE = 1;
constexpr DWORD DS3DMODE_DISABLE = 2;

constexpr WORD WAVE_FORMAT_PCM = 1;

using D3DVALUE = float;

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is the 18-byte record of the file format");
using LPWAVEFORMATEX = WAVEFORMATEX*;

struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
  GUID guid3DAlgorithm;
};

struct DS3DBUFFER {
  DWORD dwSize;
  D3DVECTOR vPosition;
  D3DVECTOR vVelocity;
  DWORD dwInsideConeAngle;
  DWORD dwOutsideConeAngle;
  D3DVECTOR vConeOrientation;
  LONG lConeOutsideVolume;
  D3DVALUE flMinDistance;
  D3DVALUE flMaxDistance;
  DWORD dwMode;
};
static_assert(sizeof(DS3DBUFFER) == 64, "DS3DBUFFER layout");

struct DS3DLISTENER {
  DWORD dwSize;
  D3DVECTOR vPosition;
  D3DVECTOR vVelocity;
  D3DVECTOR vOrientFront;
  D3DVECTOR vOrientTop;
  D3DVALUE flDistanceFactor;
  D3DVALUE flRolloffFactor;
  D3DVALUE flDopplerFactor;
};
static_assert(sizeof(DS3DLISTENER) == 64, "DS3DLISTENER layout");

extern const GUID DS3DALG_DEFAULT;
extern const IID IID_IDirectSound3DListener;
extern const IID IID_IDirectSound3DBuffer;

class IDirectSound8;
class IDirectSoundBuffer;
namespace dsound8 {
class Mixer;
struct SampleData;
}

class IDirectSound3DListener {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT SetAllParameters(const DS3DLISTENER* parameters, DWORD apply);
  HRESULT GetAllParameters(DS3DLISTENER* parameters);
  // Applies every deferred listener and buffer setting at once.
  HRESULT CommitDeferredSettings();

 private:
  friend class IDirectSoundBuffer;
  explicit IDirectSound3DListener(IDirectSoundBuffer* owner) : owner_(owner) {}
  IDirectSoundBuffer* owner_;
};

class IDirectSound3DBuffer {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT SetAllParameters(const DS3DBUFFER* parameters, DWORD apply);
  HRESULT GetAllParameters(DS3DBUFFER* parameters);

 private:
  friend class IDirectSoundBuffer;
  explicit IDirectSound3DBuffer(IDirectSoundBuffer* owner) : owner_(owner) {}
  IDirectSoundBuffer* owner_;
};

class IDirectSoundBuffer {
 public:
  ULONG AddRef();
  ULONG Release();
  // IID_IDirectSound3DBuffer (secondary 3D buffers) or
  // IID_IDirectSound3DListener (the primary 3D buffer); the interface shares
  // this buffer's reference count.
  HRESULT QueryInterface(REFIID iid, LPVOID* out);

  // Primary buffer only; the mix format stays the device's.
  HRESULT SetFormat(const WAVEFORMATEX* format);
  HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* part1, DWORD* bytes1, LPVOID* part2, DWORD* bytes2, DWORD flags);
  // Hands the written samples to OpenAL.
  HRESULT Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2);
  // Hundredths of a decibel, -10000 to 0.
  HRESULT SetVolume(LONG volume);
  HRESULT GetVolume(LONG* volume);
  // Bytes from the start of the buffer, rounded down to a whole frame.
  HRESULT SetCurrentPosition(DWORD position);
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write);
  HRESULT GetStatus(DWORD* status);
  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
  HRESULT Stop();

  // Layer-internal.
  struct State;
  explicit IDirectSoundBuffer(State* state);
  ~IDirectSoundBuffer();
  State* Impl() { return state_; }

 private:
  IDirectSoundBuffer(const IDirectSoundBuffer&) = delete;
  IDirectSoundBuffer& operator=(const IDirectSoundBuffer&) = delete;
  State* state_;
  IDirectSound3DBuffer buffer3D_{this};
  IDirectSound3DListener listener_{this};
};

class IDirectSound8 {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT SetCooperativeLevel(HWND window, DWORD level);
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** out, void* outer);
  // A new buffer object on the same samples, stopped at position 0, with
  // the original's format, capabilities, volume and 3D settings.
  HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** out);

  // Layer-internal.
  explicit IDirectSound8(dsound8::Mixer* mixer);
  ~IDirectSound8();
  dsound8::Mixer* Impl() { return mixer_; }

 private:
  IDirectSound8(const IDirectSound8&) = delete;
  IDirectSound8& operator=(const IDirectSound8&) = delete;
  dsound8::Mixer* mixer_;
  ULONG references_ = 1;
};

// device: null for the default device. DSERR_NODRIVER when none opens.
HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, void* outer);
