#include "sound/SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "render/PathData.h"
#include "sound/WaveFile.h"

namespace {

SoundSystem* g_instance = nullptr;

constexpr std::size_t kLongestName = 127;
constexpr float kStartCut = 1.5f;         // times maxDistance: farther sounds are not started
constexpr float kMinDistanceShare = 0.02f;  // minimum distance = maxDistance x this

template <typename T>
void ReleaseInterface(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

}  // namespace

SoundSystem* SoundSystem::GetInstance() {
  if (g_instance == nullptr) g_instance = new SoundSystem();
  return g_instance;
}

void SoundSystem::DeleteInstance() {
  delete g_instance;
  g_instance = nullptr;
}

SoundSystem::~SoundSystem() { Shutdown(); }

void SoundSystem::SoundPoolManager::DeleteResource(SoundData* sound) {
  if (sound == nullptr) return;
  ReleaseInterface(sound->buffer);
  delete sound;
}

bool SoundSystem::Init(HWND window, float masterVolume) {
  if (directSound_ != nullptr) return false;
  CoInitialize(nullptr);

  bool ok = SUCCEEDED(DirectSoundCreate8(nullptr, &directSound_, nullptr)) &&
            SUCCEEDED(directSound_->SetCooperativeLevel(window, DSSCL_PRIORITY));
  if (ok) {
    DSBUFFERDESC description{};
    description.dwSize = sizeof(DSBUFFERDESC);
    description.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    ok = SUCCEEDED(directSound_->CreateSoundBuffer(&description, &primary_, nullptr));
  }
  if (ok) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    ok = SUCCEEDED(primary_->SetFormat(&format)) &&
         SUCCEEDED(primary_->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<LPVOID*>(&listener_)));
  }
  if (!ok) {
    ReleaseInterface(listener_);
    ReleaseInterface(primary_);
    ReleaseInterface(directSound_);
    CoUninitialize();
    return false;
  }

  voiceCount_ = kVoiceCount;
  voices_ = new Voice[kVoiceCount];
  std::memset(voices_, 0, sizeof(Voice) * kVoiceCount);
  masterVolume_ = masterVolume;
  return true;
}

SoundData* SoundSystem::Load(const char* name, MessageOutputInterface* out) {
  if (name == nullptr || directSound_ == nullptr) return nullptr;
  std::string key = name;
  PathData::NormalizePath(&key);
  if (SoundData* pooled = pool_.Acquire(key)) return pooled;

  auto fail = [name, out](const char* message) -> SoundData* {
    if (out != nullptr) out->Printf("%s: %s", name, message);
    return nullptr;
  };
  if (std::strlen(name) > kLongestName) return fail("Failed to load wave file");

  WaveFileData wave;
  if (!ReadWaveFile(PathData::OpenName(name).c_str(), &wave)) return fail("Failed to load wave file");
  if (wave.format.wFormatTag != WAVE_FORMAT_PCM) return fail("Unsupported format");
  if (wave.format.nChannels != 1) return fail("Can't use multichannel sound data for 3D");

  auto sound = std::make_unique<SoundData>();
  DSBUFFERDESC description{};
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwFlags = DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME | DSBCAPS_MUTE3DATMAXDISTANCE | DSBCAPS_LOCDEFER;
  description.dwBufferBytes = static_cast<DWORD>(wave.samples.size());
  description.lpwfxFormat = &wave.format;
  description.guid3DAlgorithm = DS3DALG_DEFAULT;
  if (FAILED(directSound_->CreateSoundBuffer(&description, &sound->buffer, nullptr))) {
    return fail("Failed to create sound buffer");
  }

  LPVOID part1 = nullptr;
  DWORD bytes1 = 0;
  if (FAILED(sound->buffer->Lock(0, 0, &part1, &bytes1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER))) {
    ReleaseInterface(sound->buffer);
    return fail("Failed to write data to sound buffer");
  }
  std::memcpy(part1, wave.samples.data(), std::min<std::size_t>(bytes1, wave.samples.size()));
  if (FAILED(sound->buffer->Unlock(part1, bytes1, nullptr, 0))) {
    ReleaseInterface(sound->buffer);
    return fail("Failed to write data to sound buffer");
  }

  sound->loaded = true;
  sound->bytesPerSecond = static_cast<float>(wave.format.nAvgBytesPerSec);
  sound->secondsPerByte = 1.0f / sound->bytesPerSecond;
  sound->duration = static_cast<float>(wave.samples.size()) * sound->secondsPerByte;
  SoundData* loaded = sound.release();
  pool_.Add(key, loaded);
  return loaded;
}

void SoundSystem::FreeVoice(Voice& voice) {
  ReleaseInterface(voice.buffer3D);
  ReleaseInterface(voice.buffer);
  if (voice.handle != nullptr) voice.handle[1] = 0;
  voice.handle = nullptr;
  voice.sound = nullptr;
}

int SoundSystem::PickVoice() {
  for (int i = 0; i < voiceCount_; ++i) {
    if (voices_[i].buffer == nullptr) return i;
  }
  // All busy: the voice with the least time left makes room.
  int best = 0;
  float bestRemaining = 0.0f;
  for (int i = 0; i < voiceCount_; ++i) {
    DWORD cursor = 0;
    voices_[i].buffer->GetCurrentPosition(&cursor, nullptr);
    const SoundData* sound = voices_[i].sound;
    const float remaining = sound->duration - static_cast<float>(cursor) * sound->secondsPerByte;
    if (i == 0 || remaining < bestRemaining) {
      best = i;
      bestRemaining = remaining;
    }
  }
  FreeVoice(voices_[best]);
  return best;
}

bool SoundSystem::Play3D(SoundData* sound, float volume, float maxDistance, const D3DXVECTOR3& position,
                         float startTime) {
  if (directSound_ == nullptr) return false;
  const D3DXVECTOR3 eye = view_ != nullptr ? view_->eye : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 offset = position - eye;
  // Written so that a NaN distance is not started either.
  if (!(D3DXVec3Length(&offset) <= kStartCut * maxDistance)) return false;
  if (sound == nullptr || !sound->loaded) return false;

  Voice& voice = voices_[PickVoice()];
  IDirectSoundBuffer* duplicate = nullptr;
  IDirectSound3DBuffer* buffer3D = nullptr;
  bool ok = SUCCEEDED(directSound_->DuplicateSoundBuffer(sound->buffer, &duplicate)) &&
            SUCCEEDED(duplicate->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<LPVOID*>(&buffer3D)));
  if (ok) {
    DS3DBUFFER parameters{};
    parameters.dwSize = sizeof(DS3DBUFFER);
    parameters.vPosition = D3DVECTOR{position.x, position.y, position.z};
    parameters.vVelocity = D3DVECTOR{0.0f, 0.0f, 0.0f};
    parameters.dwInsideConeAngle = 360;
    parameters.dwOutsideConeAngle = 360;
    parameters.vConeOrientation = D3DVECTOR{0.0f, 1.0f, 0.0f};
    parameters.lConeOutsideVolume = 0;
    parameters.flMinDistance = maxDistance * kMinDistanceShare;
    parameters.flMaxDistance = maxDistance;
    parameters.dwMode = DS3DMODE_NORMAL;
    ok = SUCCEEDED(buffer3D->SetAllParameters(&parameters, DS3D_IMMEDIATE));
  }
  if (ok) {
    // Hundredths of a decibel: full volume at -50 (0.99 master), -5000 at 0.
    const float hundredths = std::clamp(-5000.0f + 5000.0f * volume * masterVolume_, -10000.0f, 0.0f);
    ok = SUCCEEDED(duplicate->SetVolume(static_cast<LONG>(hundredths)));
  }
  if (ok) {
    const double start = std::clamp(std::round(static_cast<double>(sound->bytesPerSecond) * startTime), 0.0, 4.0e9);
    ok = SUCCEEDED(duplicate->SetCurrentPosition(static_cast<DWORD>(start))) &&
         SUCCEEDED(duplicate->Play(0, 0, DSBPLAY_TERMINATEBY_TIME));
  }
  if (!ok) {
    ReleaseInterface(buffer3D);
    ReleaseInterface(duplicate);
    return false;
  }
  voice.buffer = duplicate;
  voice.buffer3D = buffer3D;
  voice.sound = sound;
  voice.handle = nullptr;
  return true;
}

void SoundSystem::Update() {
  if (directSound_ == nullptr) return;
  for (int i = 0; i < voiceCount_; ++i) {
    Voice& voice = voices_[i];
    if (voice.buffer == nullptr) continue;
    DWORD status = 0;
    voice.buffer->GetStatus(&status);
    if ((status & DSBSTATUS_PLAYING) == 0) FreeVoice(voice);
  }
  if (view_ != nullptr) {
    DS3DLISTENER listener{};
    listener.dwSize = sizeof(DS3DLISTENER);
    listener.vPosition = D3DVECTOR{view_->eye.x, view_->eye.y, view_->eye.z};
    listener.vVelocity = D3DVECTOR{0.0f, 0.0f, 0.0f};
    listener.vOrientFront = D3DVECTOR{view_->viewDirection.x, view_->viewDirection.y, view_->viewDirection.z};
    listener.vOrientTop = D3DVECTOR{view_->up.x, view_->up.y, view_->up.z};
    listener.flDistanceFactor = 1.0f;
    listener.flRolloffFactor = 1.0f;
    listener.flDopplerFactor = 1.0f;
    listener_->SetAllParameters(&listener, DS3D_DEFERRED);
    listener_->CommitDeferredSettings();
  }
}

void SoundSystem::StopAll() {
  for (int i = 0; i < voiceCount_; ++i) FreeVoice(voices_[i]);
}

void SoundSystem::Unload(SoundData*& sound) {
  if (sound == nullptr) return;
  for (int i = 0; i < voiceCount_; ++i) {
    if (voices_[i].sound == sound) FreeVoice(voices_[i]);
  }
  pool_.Release(sound);
  sound = nullptr;
}

void SoundSystem::Shutdown() {
  if (directSound_ == nullptr) return;
  view_ = nullptr;
  StopAll();
  delete[] voices_;
  voices_ = nullptr;
  voiceCount_ = 0;
  pool_.ReleaseAll();
  ReleaseInterface(listener_);
  ReleaseInterface(primary_);
  ReleaseInterface(directSound_);
  CoUninitialize();
}

int SoundSystem::GetActiveVoiceCount() const {
  int count = 0;
  for (int i = 0; i < voiceCount_; ++i) count += voices_[i].buffer != nullptr ? 1 : 0;
  return count;
}
