#pragma once
// Short positional sound effects through DirectSound: mono PCM wave files
// loaded once each into a pool keyed by canonical path, played on 16 voices
// as duplicates of the loaded buffer (no samples copied per play), the voice
// closest to its end stolen when all are busy, and the 3D listener moved
// with the camera once per frame. One process-wide instance.

#include <cstdint>
#include <string>

#include "frame/CameraView.h"
#include "frame/MessageOutputInterface.h"
#include "platform/d3dx9/D3dxMath.h"
#include "platform/dsound8/DSound8.h"
#include "render/ResourcePool.h"

class SoundData {
 public:
  virtual ~SoundData() = default;

  IDirectSoundBuffer* buffer = nullptr;  // the master copy voices duplicate; released by the pool
  bool loaded = false;
  float duration = 0.0f;  // seconds
  float bytesPerSecond = 0.0f;
  float secondsPerByte = 0.0f;
};

class SoundSystem {
 public:
  static constexpr int kVoiceCount = 16;

  class SoundPoolManager : public SharedResourceManagerBase<SoundData*> {
   protected:
    // Releases the master buffer and deletes the sound.
    void DeleteResource(SoundData* sound) override;
  };

  struct Voice {
    IDirectSoundBuffer* buffer;  // null while the voice is free
    IDirectSound3DBuffer* buffer3D;
    SoundData* sound;
    std::uint32_t* handle;  // optional caller record; handle[1] is cleared when the voice ends
  };

  // The process-wide sound system, created by the first call.
  static SoundSystem* GetInstance();
  // Deletes it (shutting it down first if needed); the next GetInstance makes a new one.
  static void DeleteInstance();

  SoundSystem() = default;
  virtual ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Opens the sound device with its primary buffer and 3D listener. False
  // when already initialised or when there is no sound device.
  bool Init(HWND window, float masterVolume);
  // The sound of the file, from the pool or loaded into it (one more
  // reference either way); null after a message through out ("<name>:
  // ..."). Without a sound device nothing is loaded and nothing reported.
  SoundData* Load(const char* name, MessageOutputInterface* out);
  // Starts the sound at a position (volume 0 to 1, startTime in seconds).
  // False when it is farther than 1.5 x maxDistance from the listener, not
  // loaded, or the voice cannot be started.
  bool Play3D(SoundData* sound, float volume, float maxDistance, const D3DXVECTOR3& position, float startTime);
  // Frees the voices that have ended and moves the listener to the view.
  void Update();
  void StopAll();
  // Stops the sound's voices, gives one reference back to the pool and
  // clears the pointer.
  void Unload(SoundData*& sound);
  void Shutdown();

  // The camera the listener follows; null stops following.
  void SetView(const CameraView* view) { view_ = view; }

  bool IsInitialized() const { return directSound_ != nullptr; }
  int GetActiveVoiceCount() const;
  const Voice& GetVoice(int index) const { return voices_[index]; }
  SoundPoolManager& GetPool() { return pool_; }
  IDirectSound8* GetDirectSound() const { return directSound_; }
  float GetMasterVolume() const { return masterVolume_; }

 private:
  static void FreeVoice(Voice& voice);
  int PickVoice();

  IDirectSound8* directSound_ = nullptr;
  IDirectSoundBuffer* primary_ = nullptr;
  IDirectSound3DListener* listener_ = nullptr;
  Voice* voices_ = nullptr;
  std::int32_t voiceCount_ = 0;
  float masterVolume_ = 0.0f;
  const CameraView* view_ = nullptr;
  SoundPoolManager pool_;
};
