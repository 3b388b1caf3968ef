// DirectSound 8 objects on an OpenAL Soft device and context.

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/dsound8/DSound8.h"
#include "platform/dsound8/DSoundAutomation.h"

const GUID DS3DALG_DEFAULT = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IDirectSound3DListener = {0x279AFA84, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID IID_IDirectSound3DBuffer = {0x279AFA86, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

namespace dsound8 {
namespace {

bool g_useLoopback = false;
int g_failOpens = 0;
ALCcontext* g_currentContext = nullptr;

constexpr int kLoopbackRate = 44100;
constexpr float kSpeedOfSound = 343.3f;

float GainOfVolume(LONG volume) {
  return volume <= DSBVOLUME_MIN ? 0.0f : std::pow(10.0f, static_cast<float>(volume) / 2000.0f);
}

bool Finite(const D3DVECTOR& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

DS3DBUFFER DefaultBuffer3D() {
  DS3DBUFFER p{};
  p.dwSize = sizeof(DS3DBUFFER);
  p.dwInsideConeAngle = 360;
  p.dwOutsideConeAngle = 360;
  p.vConeOrientation = D3DVECTOR{0.0f, 0.0f, 1.0f};
  p.flMinDistance = 1.0f;
  p.flMaxDistance = 1.0e9f;
  p.dwMode = DS3DMODE_NORMAL;
  return p;
}

DS3DLISTENER DefaultListener() {
  DS3DLISTENER p{};
  p.dwSize = sizeof(DS3DLISTENER);
  p.vOrientFront = D3DVECTOR{0.0f, 0.0f, 1.0f};
  p.vOrientTop = D3DVECTOR{0.0f, 1.0f, 0.0f};
  p.flDistanceFactor = 1.0f;
  p.flRolloffFactor = 1.0f;
  p.flDopplerFactor = 1.0f;
  return p;
}

}  // namespace

// The samples of a buffer and its duplicates.
struct SampleData {
  std::vector<std::uint8_t> bytes;
  WAVEFORMATEX format{};
  ALenum alFormat = 0;
  ALuint alBuffer = 0;
  bool uploaded = false;
  ~SampleData() {
    if (alBuffer != 0) alDeleteBuffers(1, &alBuffer);
  }
};

class Mixer {
 public:
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool loopback = false;
  std::vector<ALuint> freeSources;
  std::vector<IDirectSoundBuffer::State*> buffers3D;  // live 3D secondary buffers
  DS3DLISTENER listener = DefaultListener();
  DS3DLISTENER pendingListener = DefaultListener();
  bool listenerPending = false;

  ~Mixer() {
    MakeCurrent();
    if (!freeSources.empty()) alDeleteSources(static_cast<ALsizei>(freeSources.size()), freeSources.data());
    if (g_currentContext == context) {
      alcMakeContextCurrent(nullptr);
      g_currentContext = nullptr;
    }
    if (context != nullptr) alcDestroyContext(context);
    if (device != nullptr) alcCloseDevice(device);
  }

  void MakeCurrent() {
    if (g_currentContext == context) return;
    alcMakeContextCurrent(context);
    g_currentContext = context;
  }

  ALuint TakeSource() {
    if (!freeSources.empty()) {
      const ALuint source = freeSources.back();
      freeSources.pop_back();
      return source;
    }
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    return alGetError() == AL_NO_ERROR ? source : 0;
  }

  // A returned source forgets its buffer and its cone; the next owner sets
  // everything else before it plays.
  void GiveSource(ALuint source) {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    alSource3f(source, AL_DIRECTION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_CONE_INNER_ANGLE, 360.0f);
    alSourcef(source, AL_CONE_OUTER_ANGLE, 360.0f);
    freeSources.push_back(source);
  }

  void ApplyListener();
  void Commit();
};

}  // namespace dsound8

using dsound8::Mixer;
using dsound8::SampleData;

struct IDirectSoundBuffer::State {
  IDirectSound8* owner = nullptr;  // keeps the device alive while the buffer lives
  Mixer* mixer = nullptr;
  ULONG references = 1;
  DWORD flags = 0;
  bool primary = false;
  std::shared_ptr<SampleData> samples;
  ALuint source = 0;
  LONG volume = 0;
  DWORD position = 0;  // where the next Play starts, in bytes
  bool looping = false;
  bool started = false;  // played and not stopped by Stop: a silent source has run to its end
  bool locked = false;
  DS3DBUFFER params = dsound8::DefaultBuffer3D();
  DS3DBUFFER pending = dsound8::DefaultBuffer3D();
  bool paramsPending = false;
  float appliedGain = -1.0f;  // what the source has, so commits skip unchanged voices
  float appliedRolloff = -1.0f;

  bool Is3D() const { return (flags & DSBCAPS_CTRL3D) != 0 && !primary; }
  DWORD Size() const { return samples != nullptr ? static_cast<DWORD>(samples->bytes.size()) : 0; }
  DWORD BlockAlign() const { return samples != nullptr ? std::max<DWORD>(samples->format.nBlockAlign, 1) : 1; }

  bool Muted() const {
    if ((flags & DSBCAPS_MUTE3DATMAXDISTANCE) == 0 || !Is3D() || params.dwMode == DS3DMODE_DISABLE) return false;
    D3DVECTOR d = params.vPosition;
    if (params.dwMode == DS3DMODE_NORMAL) {
      d.x -= mixer->listener.vPosition.x;
      d.y -= mixer->listener.vPosition.y;
      d.z -= mixer->listener.vPosition.z;
    }
    const float distance = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return distance > params.flMaxDistance;
  }

  void ApplyGain() {
    if (source == 0) return;
    const float gain = Muted() ? 0.0f : dsound8::GainOfVolume(volume);
    if (gain == appliedGain) return;
    alSourcef(source, AL_GAIN, gain);
    appliedGain = gain;
  }

  void ApplyRolloff(float rolloff) {
    if (source == 0 || rolloff == appliedRolloff) return;
    alSourcef(source, AL_ROLLOFF_FACTOR, rolloff);
    appliedRolloff = rolloff;
  }

  // Left-handed DirectSound space into OpenAL's right-handed one: z mirrored.
  void Apply3D() {
    if (source == 0) return;
    if (!Is3D() || params.dwMode == DS3DMODE_DISABLE) {
      alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
      alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
      ApplyRolloff(0.0f);
      ApplyGain();
      return;
    }
    const DS3DBUFFER& p = params;
    alSourcei(source, AL_SOURCE_RELATIVE, p.dwMode == DS3DMODE_HEADRELATIVE ? AL_TRUE : AL_FALSE);
    alSource3f(source, AL_POSITION, p.vPosition.x, p.vPosition.y, -p.vPosition.z);
    alSource3f(source, AL_VELOCITY, p.vVelocity.x, p.vVelocity.y, -p.vVelocity.z);
    alSource3f(source, AL_DIRECTION, p.vConeOrientation.x, p.vConeOrientation.y, -p.vConeOrientation.z);
    alSourcef(source, AL_CONE_INNER_ANGLE, static_cast<float>(p.dwInsideConeAngle));
    alSourcef(source, AL_CONE_OUTER_ANGLE, static_cast<float>(p.dwOutsideConeAngle));
    alSourcef(source, AL_CONE_OUTER_GAIN, dsound8::GainOfVolume(p.lConeOutsideVolume));
    alSourcef(source, AL_REFERENCE_DISTANCE, p.flMinDistance);
    alSourcef(source, AL_MAX_DISTANCE, p.flMaxDistance);
    ApplyRolloff(mixer->listener.flRolloffFactor);
    ApplyGain();
  }

  bool Playing() const {
    if (source == 0) return false;
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
  }
};

namespace dsound8 {

void Mixer::ApplyListener() {
  const DS3DLISTENER& l = listener;
  alListener3f(AL_POSITION, l.vPosition.x, l.vPosition.y, -l.vPosition.z);
  alListener3f(AL_VELOCITY, l.vVelocity.x, l.vVelocity.y, -l.vVelocity.z);
  const ALfloat orientation[6] = {l.vOrientFront.x, l.vOrientFront.y, -l.vOrientFront.z,
                                  l.vOrientTop.x,   l.vOrientTop.y,   -l.vOrientTop.z};
  alListenerfv(AL_ORIENTATION, orientation);
  alDopplerFactor(l.flDopplerFactor);
  alSpeedOfSound(kSpeedOfSound / std::max(l.flDistanceFactor, 1.0e-6f));
  // Rolloff is the listener's in DirectSound and each source's in OpenAL;
  // the listener's position decides which voices are muted.
  for (IDirectSoundBuffer::State* buffer : buffers3D) {
    buffer->ApplyRolloff(l.flRolloffFactor);
    buffer->ApplyGain();
  }
}

void Mixer::Commit() {
  MakeCurrent();
  for (IDirectSoundBuffer::State* buffer : buffers3D) {
    if (!buffer->paramsPending) continue;
    buffer->params = buffer->pending;
    buffer->paramsPending = false;
    buffer->Apply3D();
  }
  if (listenerPending) {
    listener = pendingListener;
    listenerPending = false;
  }
  ApplyListener();
}

void UseLoopbackDevice(bool on) { g_useLoopback = on; }
void FailNextDeviceOpens(int count) { g_failOpens = count; }

bool RenderLoopback(IDirectSound8* sound, std::int16_t* out, int frames) {
  if (sound == nullptr || out == nullptr || frames < 0 || !sound->Impl()->loopback) return false;
  Mixer* mixer = sound->Impl();
  auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(mixer->device, "alcRenderSamplesSOFT"));
  if (render == nullptr) return false;
  mixer->MakeCurrent();
  render(mixer->device, out, frames);
  return true;
}

int LoopbackRate() { return kLoopbackRate; }

}  // namespace dsound8

// --- IDirectSound8 -----------------------------------------------------------

IDirectSound8::IDirectSound8(Mixer* mixer) : mixer_(mixer) {}
IDirectSound8::~IDirectSound8() { delete mixer_; }

ULONG IDirectSound8::AddRef() { return ++references_; }
ULONG IDirectSound8::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

// OpenAL has no per-window focus; the window is accepted and not kept.
HRESULT IDirectSound8::SetCooperativeLevel(HWND, DWORD level) {
  return level >= DSSCL_NORMAL && level <= DSSCL_WRITEPRIMARY ? DS_OK : DSERR_INVALIDPARAM;
}

namespace {

HRESULT CheckFormat(const DSBUFFERDESC& description, ALenum* alFormat) {
  const WAVEFORMATEX* f = description.lpwfxFormat;
  if (f == nullptr) return DSERR_INVALIDPARAM;
  if (f->wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
  if ((f->nChannels != 1 && f->nChannels != 2) || (f->wBitsPerSample != 8 && f->wBitsPerSample != 16)) {
    return DSERR_BADFORMAT;
  }
  if (f->nSamplesPerSec < 100 || f->nSamplesPerSec > 200000) return DSERR_BADFORMAT;
  const DWORD blockAlign = static_cast<DWORD>(f->nChannels) * f->wBitsPerSample / 8;
  if (f->nBlockAlign != blockAlign || f->nAvgBytesPerSec != f->nSamplesPerSec * blockAlign) return DSERR_BADFORMAT;
  if (description.dwBufferBytes < std::max(DSBSIZE_MIN, blockAlign) || description.dwBufferBytes > DSBSIZE_MAX) {
    return DSERR_INVALIDPARAM;
  }
  // 3D buffers are mono: a position has one sound.
  if ((description.dwFlags & DSBCAPS_CTRL3D) != 0 && f->nChannels != 1) return DSERR_INVALIDPARAM;
  if (f->nChannels == 1) {
    *alFormat = f->wBitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  } else {
    *alFormat = f->wBitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
  }
  return DS_OK;
}

IDirectSoundBuffer* NewBuffer(IDirectSound8* owner, DWORD flags, bool primary) {
  auto* state = new IDirectSoundBuffer::State();
  state->owner = owner;
  state->mixer = owner->Impl();
  state->flags = flags;
  state->primary = primary;
  owner->AddRef();
  auto* buffer = new IDirectSoundBuffer(state);
  if (state->Is3D()) state->mixer->buffers3D.push_back(state);
  return buffer;
}

}  // namespace

HRESULT IDirectSound8::CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** out, void* outer) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (description == nullptr || description->dwSize != sizeof(DSBUFFERDESC) || outer != nullptr) {
    return DSERR_INVALIDPARAM;
  }
  if ((description->dwFlags & DSBCAPS_PRIMARYBUFFER) != 0) {
    if (description->dwBufferBytes != 0 || description->lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
    *out = NewBuffer(this, description->dwFlags, true);
    return DS_OK;
  }
  ALenum alFormat = 0;
  const HRESULT checked = CheckFormat(*description, &alFormat);
  if (FAILED(checked)) return checked;

  auto samples = std::make_shared<SampleData>();
  samples->format = *description->lpwfxFormat;
  samples->alFormat = alFormat;
  // Silence: unsigned 8-bit samples centre on 128.
  samples->bytes.assign(description->dwBufferBytes, samples->format.wBitsPerSample == 8 ? 0x80 : 0x00);
  mixer_->MakeCurrent();
  alGetError();
  alGenBuffers(1, &samples->alBuffer);
  if (alGetError() != AL_NO_ERROR) {
    samples->alBuffer = 0;
    return DSERR_OUTOFMEMORY;
  }
  IDirectSoundBuffer* buffer = NewBuffer(this, description->dwFlags, false);
  buffer->Impl()->samples = std::move(samples);
  *out = buffer;
  return DS_OK;
}

HRESULT IDirectSound8::DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** out) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (original == nullptr) return DSERR_INVALIDPARAM;
  const IDirectSoundBuffer::State* from = original->Impl();
  if (from->primary || from->owner != this) return DSERR_INVALIDCALL;
  IDirectSoundBuffer* buffer = NewBuffer(this, from->flags, false);
  IDirectSoundBuffer::State* state = buffer->Impl();
  state->samples = from->samples;
  state->volume = from->volume;
  state->params = from->params;
  *out = buffer;
  return DS_OK;
}

HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, void* outer) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (outer != nullptr || (device != nullptr && *device != DS3DALG_DEFAULT)) return DSERR_INVALIDPARAM;
  if (dsound8::g_failOpens > 0) {
    --dsound8::g_failOpens;
    return DSERR_NODRIVER;
  }
  auto mixer = std::make_unique<Mixer>();
  if (dsound8::g_useLoopback) {
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (open == nullptr) return DSERR_NODRIVER;
    mixer->device = open(nullptr);
    mixer->loopback = true;
    // Plain stereo panning: no head-related filtering, no limiter.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                                 ALC_FREQUENCY, dsound8::kLoopbackRate, ALC_HRTF_SOFT, ALC_FALSE,
                                 ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE, 0};
    if (mixer->device != nullptr) mixer->context = alcCreateContext(mixer->device, attributes);
  } else {
    mixer->device = alcOpenDevice(nullptr);
    if (mixer->device != nullptr) mixer->context = alcCreateContext(mixer->device, nullptr);
  }
  if (mixer->device == nullptr || mixer->context == nullptr) return DSERR_NODRIVER;
  mixer->MakeCurrent();
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  mixer->ApplyListener();
  *out = new IDirectSound8(mixer.release());
  return DS_OK;
}

// --- IDirectSoundBuffer ------------------------------------------------------

IDirectSoundBuffer::IDirectSoundBuffer(State* state) : state_(state) {}

IDirectSoundBuffer::~IDirectSoundBuffer() {
  Mixer* mixer = state_->mixer;
  mixer->MakeCurrent();
  if (state_->source != 0) mixer->GiveSource(state_->source);
  auto& list = mixer->buffers3D;
  list.erase(std::remove(list.begin(), list.end(), state_), list.end());
  IDirectSound8* owner = state_->owner;
  state_->samples.reset();  // its OpenAL buffer goes while the context is current
  delete state_;
  owner->Release();
}

ULONG IDirectSoundBuffer::AddRef() { return ++state_->references; }
ULONG IDirectSoundBuffer::Release() {
  const ULONG left = --state_->references;
  if (left == 0) delete this;
  return left;
}

HRESULT IDirectSoundBuffer::QueryInterface(REFIID iid, LPVOID* out) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if ((state_->flags & DSBCAPS_CTRL3D) == 0) return DSERR_NOINTERFACE;
  if (iid == IID_IDirectSound3DBuffer && !state_->primary) {
    *out = &buffer3D_;
  } else if (iid == IID_IDirectSound3DListener && state_->primary) {
    *out = &listener_;
  } else {
    return DSERR_NOINTERFACE;
  }
  AddRef();
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format) {
  if (!state_->primary) return DSERR_INVALIDCALL;
  if (format == nullptr || format->wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* part1, DWORD* bytes1, LPVOID* part2,
                                 DWORD* bytes2, DWORD flags) {
  if (part1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
  if (state_->primary || state_->locked) return DSERR_INVALIDCALL;
  const DWORD size = state_->Size();
  if ((flags & DSBLOCK_ENTIREBUFFER) != 0) {
    offset = 0;
    bytes = size;
  } else if ((flags & DSBLOCK_FROMWRITECURSOR) != 0) {
    DWORD play = 0;
    GetCurrentPosition(&play, &offset);
  }
  if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  std::uint8_t* data = state_->samples->bytes.data();
  const DWORD first = std::min(bytes, size - offset);
  *part1 = data + offset;
  *bytes1 = first;
  if (part2 != nullptr) *part2 = first < bytes ? data : nullptr;
  if (bytes2 != nullptr) *bytes2 = bytes - first;
  state_->locked = true;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(LPVOID, DWORD, LPVOID, DWORD) {
  if (!state_->locked) return DSERR_INVALIDCALL;
  state_->locked = false;
  SampleData& samples = *state_->samples;
  const DWORD whole = state_->Size() / state_->BlockAlign() * state_->BlockAlign();
  state_->mixer->MakeCurrent();
  alGetError();
  alBufferData(samples.alBuffer, samples.alFormat, samples.bytes.data(), static_cast<ALsizei>(whole),
               static_cast<ALsizei>(samples.format.nSamplesPerSec));
  // OpenAL refuses new data for a buffer that a source still plays.
  if (alGetError() != AL_NO_ERROR) return DSERR_INVALIDCALL;
  samples.uploaded = true;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(LONG volume) {
  if ((state_->flags & DSBCAPS_CTRLVOLUME) == 0) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  state_->volume = volume;
  state_->mixer->MakeCurrent();
  state_->ApplyGain();
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(LONG* volume) {
  if (volume == nullptr) return DSERR_INVALIDPARAM;
  *volume = state_->volume;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
  if (state_->primary) return DSERR_INVALIDCALL;
  if (position >= state_->Size()) return DSERR_INVALIDPARAM;
  position -= position % state_->BlockAlign();
  state_->position = position;
  state_->mixer->MakeCurrent();
  if (state_->Playing()) alSourcei(state_->source, AL_BYTE_OFFSET, static_cast<ALint>(position));
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
  if (state_->primary) return DSERR_INVALIDCALL;
  state_->mixer->MakeCurrent();
  const bool playing = state_->Playing();
  DWORD cursor = state_->started && !playing ? 0 : state_->position;
  if (playing) {
    ALint offset = 0;
    alGetSourcei(state_->source, AL_BYTE_OFFSET, &offset);
    cursor = static_cast<DWORD>(std::max(offset, 0));
  }
  if (play != nullptr) *play = cursor;
  if (write != nullptr) *write = cursor;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD* status) {
  if (status == nullptr) return DSERR_INVALIDPARAM;
  *status = 0;
  if (state_->primary) return DS_OK;
  state_->mixer->MakeCurrent();
  if (state_->Playing()) {
    *status = DSBSTATUS_PLAYING | (state_->looping ? DSBSTATUS_LOOPING : 0);
    if ((state_->flags & DSBCAPS_LOCDEFER) != 0) *status |= DSBSTATUS_LOCSOFTWARE;
  }
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD, DWORD, DWORD flags) {
  if (state_->primary) return DS_OK;  // the primary buffer always mixes
  if (!state_->samples->uploaded) return DSERR_INVALIDCALL;
  Mixer* mixer = state_->mixer;
  mixer->MakeCurrent();
  state_->looping = (flags & DSBPLAY_LOOPING) != 0;
  if (state_->source == 0) {
    state_->source = mixer->TakeSource();
    if (state_->source == 0) return DSERR_OUTOFMEMORY;
    alSourcei(state_->source, AL_BUFFER, static_cast<ALint>(state_->samples->alBuffer));
    state_->Apply3D();
  }
  alSourcei(state_->source, AL_LOOPING, state_->looping ? AL_TRUE : AL_FALSE);
  if (state_->Playing()) return DS_OK;
  if (state_->started) state_->position = 0;  // it played to its end: start over
  alSourcei(state_->source, AL_BYTE_OFFSET, static_cast<ALint>(state_->position));
  alSourcePlay(state_->source);
  state_->started = true;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
  if (state_->primary || state_->source == 0) return DS_OK;
  state_->mixer->MakeCurrent();
  if (state_->Playing()) {
    ALint offset = 0;
    alGetSourcei(state_->source, AL_BYTE_OFFSET, &offset);
    state_->position = static_cast<DWORD>(std::max(offset, 0));
  }
  alSourceStop(state_->source);
  state_->started = false;
  return DS_OK;
}

// --- 3D interfaces -----------------------------------------------------------

ULONG IDirectSound3DBuffer::AddRef() { return owner_->AddRef(); }
ULONG IDirectSound3DBuffer::Release() { return owner_->Release(); }

HRESULT IDirectSound3DBuffer::SetAllParameters(const DS3DBUFFER* p, DWORD apply) {
  if (p == nullptr || p->dwSize != sizeof(DS3DBUFFER) || p->dwMode > DS3DMODE_DISABLE) return DSERR_INVALIDPARAM;
  if (!dsound8::Finite(p->vPosition) || !dsound8::Finite(p->vVelocity) || !dsound8::Finite(p->vConeOrientation) ||
      !(p->flMinDistance >= 0.0f) || !(p->flMaxDistance >= 0.0f) || !std::isfinite(p->flMaxDistance) ||
      p->dwInsideConeAngle > 360 || p->dwOutsideConeAngle > 360 || p->lConeOutsideVolume < DSBVOLUME_MIN ||
      p->lConeOutsideVolume > DSBVOLUME_MAX) {
    return DSERR_INVALIDPARAM;
  }
  IDirectSoundBuffer::State* state = owner_->Impl();
  if (apply == DS3D_DEFERRED) {
    state->pending = *p;
    state->paramsPending = true;
    return DS_OK;
  }
  state->params = *p;
  state->paramsPending = false;
  state->mixer->MakeCurrent();
  state->Apply3D();
  return DS_OK;
}

HRESULT IDirectSound3DBuffer::GetAllParameters(DS3DBUFFER* p) {
  if (p == nullptr || p->dwSize != sizeof(DS3DBUFFER)) return DSERR_INVALIDPARAM;
  *p = owner_->Impl()->params;
  return DS_OK;
}

ULONG IDirectSound3DListener::AddRef() { return owner_->AddRef(); }
ULONG IDirectSound3DListener::Release() { return owner_->Release(); }

HRESULT IDirectSound3DListener::SetAllParameters(const DS3DLISTENER* p, DWORD apply) {
  if (p == nullptr || p->dwSize != sizeof(DS3DLISTENER)) return DSERR_INVALIDPARAM;
  if (!dsound8::Finite(p->vPosition) || !dsound8::Finite(p->vVelocity) || !dsound8::Finite(p->vOrientFront) ||
      !dsound8::Finite(p->vOrientTop) || !(p->flDistanceFactor > 0.0f) || !(p->flRolloffFactor >= 0.0f) ||
      !(p->flDopplerFactor >= 0.0f)) {
    return DSERR_INVALIDPARAM;
  }
  Mixer* mixer = owner_->Impl()->mixer;
  if (apply == DS3D_DEFERRED) {
    mixer->pendingListener = *p;
    mixer->listenerPending = true;
    return DS_OK;
  }
  mixer->listener = *p;
  mixer->listenerPending = false;
  mixer->MakeCurrent();
  mixer->ApplyListener();
  return DS_OK;
}

HRESULT IDirectSound3DListener::GetAllParameters(DS3DLISTENER* p) {
  if (p == nullptr || p->dwSize != sizeof(DS3DLISTENER)) return DSERR_INVALIDPARAM;
  *p = owner_->Impl()->mixer->listener;
  return DS_OK;
}

HRESULT IDirectSound3DListener::CommitDeferredSettings() {
  owner_->Impl()->mixer->Commit();
  return DS_OK;
}
