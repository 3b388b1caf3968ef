// DirectSound on OpenAL Soft, heard through the loopback device: the 3D
// model, the handedness of positions, volume, deferred settings, and the
// buffer operations the sound system relies on.

#include "platform/dsound8/DSound8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/dsound8/DSoundAutomation.h"
#include "platform/host/AudioCapture.h"
#include "support/WaveFiles.h"

namespace {

// The mix is dithered: silence measures a level of about 1.
constexpr double kSilence = 8.0;

class DSound8Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound_, nullptr), DS_OK);
    DSBUFFERDESC description{};
    description.dwSize = sizeof(description);
    description.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    ASSERT_EQ(sound_->CreateSoundBuffer(&description, &primary_, nullptr), DS_OK);
    ASSERT_EQ(primary_->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<LPVOID*>(&listener_)), DS_OK);
  }
  void TearDown() override {
    for (IDirectSoundBuffer* b : buffers_) b->Release();
    listener_->Release();
    primary_->Release();
    EXPECT_EQ(sound_->Release(), 0u);
  }

  static WAVEFORMATEX Mono16(DWORD rate = 44100) {
    return WAVEFORMATEX{WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
  }

  // A 3D buffer holding a one-second 1 kHz tone.
  IDirectSoundBuffer* Tone(DWORD flags = DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME | DSBCAPS_MUTE3DATMAXDISTANCE) {
    WAVEFORMATEX format = Mono16();
    const wavefiles::Bytes samples = wavefiles::Sine(44100, 1.0, 1000.0);
    DSBUFFERDESC description{sizeof(DSBUFFERDESC), flags, static_cast<DWORD>(samples.size()), 0, &format, {}};
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(sound_->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
    if (buffer == nullptr) return nullptr;
    void* data = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::memcpy(data, samples.data(), bytes);
    EXPECT_EQ(buffer->Unlock(data, bytes, nullptr, 0), DS_OK);
    buffers_.push_back(buffer);
    return buffer;
  }

  void Place(IDirectSoundBuffer* buffer, D3DVECTOR position, float minDistance, float maxDistance,
             DWORD apply = DS3D_IMMEDIATE) {
    IDirectSound3DBuffer* b3 = nullptr;
    ASSERT_EQ(buffer->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<LPVOID*>(&b3)), DS_OK);
    DS3DBUFFER p{};
    p.dwSize = sizeof(p);
    ASSERT_EQ(b3->GetAllParameters(&p), DS_OK);
    p.vPosition = position;
    p.flMinDistance = minDistance;
    p.flMaxDistance = maxDistance;
    ASSERT_EQ(b3->SetAllParameters(&p, apply), DS_OK);
    b3->Release();
  }

  void Face(D3DVECTOR front, DWORD apply = DS3D_IMMEDIATE) {
    DS3DLISTENER l{};
    l.dwSize = sizeof(l);
    ASSERT_EQ(listener_->GetAllParameters(&l), DS_OK);
    l.vOrientFront = front;
    ASSERT_EQ(listener_->SetAllParameters(&l, apply), DS_OK);
  }

  // Levels of the mix after the gain ramps of a start have settled.
  host::AudioCapture::Levels Hear() {
    std::vector<std::int16_t> mix;
    EXPECT_TRUE(host::AudioCapture::Render(sound_, 1024, &mix));
    EXPECT_TRUE(host::AudioCapture::Render(sound_, 4410, &mix));
    return host::AudioCapture::Measure(mix);
  }
  double Loudness() {
    const auto levels = Hear();
    return levels.left + levels.right;
  }

  host::AudioCapture capture_;  // before DirectSoundCreate8: the loopback device
  IDirectSound8* sound_ = nullptr;
  IDirectSoundBuffer* primary_ = nullptr;
  IDirectSound3DListener* listener_ = nullptr;
  std::vector<IDirectSoundBuffer*> buffers_;
};

TEST_F(DSound8Test, LoudnessFallsInverselyFromTheMinimumDistance) {
  IDirectSoundBuffer* tone = Tone();
  ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Place(tone, {0, 0, 1}, 2, 100);  // inside the minimum distance: full
  const double full = Loudness();
  ASSERT_GT(full, 1000.0);
  Place(tone, {0, 0, 2}, 2, 100);
  EXPECT_NEAR(Loudness() / full, 1.0, 0.05);
  Place(tone, {0, 0, 4}, 2, 100);
  EXPECT_NEAR(Loudness() / full, 0.5, 0.05);
  Place(tone, {0, 0, 8}, 2, 100);
  EXPECT_NEAR(Loudness() / full, 0.25, 0.03);
}

TEST_F(DSound8Test, BeyondTheMaximumDistanceAMutingBufferIsSilentAnotherStaysAtItsLastLevel) {
  IDirectSoundBuffer* muting = Tone();
  IDirectSoundBuffer* holding = Tone(DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME);
  ASSERT_EQ(holding->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Place(holding, {0, 0, 10}, 1, 10);
  const double atMax = Loudness();
  Place(holding, {0, 0, 30}, 1, 10);
  EXPECT_NEAR(Loudness() / atMax, 1.0, 0.05);
  holding->Stop();

  ASSERT_EQ(muting->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Place(muting, {0, 0, 9}, 1, 10);
  EXPECT_GT(Loudness(), atMax * 0.8);
  Place(muting, {0, 0, 11}, 1, 10);
  EXPECT_LT(Loudness(), kSilence);
  // The listener walking up to it brings it back.
  DS3DLISTENER l{};
  l.dwSize = sizeof(l);
  listener_->GetAllParameters(&l);
  l.vPosition = D3DVECTOR{0, 0, 5};
  listener_->SetAllParameters(&l, DS3D_IMMEDIATE);
  EXPECT_GT(Loudness(), atMax);
}

TEST_F(DSound8Test, LeftHandedPositionsKeepLeftAndRight) {
  IDirectSoundBuffer* tone = Tone();
  ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Place(tone, {5, 0, 0}, 1, 100);  // +x: the right of a listener looking along +z
  auto levels = Hear();
  EXPECT_GT(levels.right, 2.0 * levels.left);
  Face({0, 0, -1});  // turned round: +x is on the left
  levels = Hear();
  EXPECT_GT(levels.left, 2.0 * levels.right);
}

TEST_F(DSound8Test, DeferredSettingsWaitForTheCommit) {
  IDirectSoundBuffer* tone = Tone();
  ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  Place(tone, {-5, 0, 0}, 1, 100);
  Place(tone, {5, 0, 0}, 1, 100, DS3D_DEFERRED);
  Face({0, 0, -1}, DS3D_DEFERRED);
  auto levels = Hear();
  EXPECT_GT(levels.left, 2.0 * levels.right);
  ASSERT_EQ(listener_->CommitDeferredSettings(), DS_OK);
  levels = Hear();  // at +x, heard facing -z: still on the left
  EXPECT_GT(levels.left, 2.0 * levels.right);
  Face({0, 0, 1});
  levels = Hear();
  EXPECT_GT(levels.right, 2.0 * levels.left);
}

TEST_F(DSound8Test, VolumeIsInHundredthsOfADecibel) {
  IDirectSoundBuffer* tone = Tone();
  ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  const double full = Loudness();
  ASSERT_EQ(tone->SetVolume(-600), DS_OK);  // -6 dB: half the amplitude
  EXPECT_NEAR(Loudness() / full, 0.501, 0.03);
  EXPECT_EQ(tone->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(tone->SetVolume(-10001), DSERR_INVALIDPARAM);
  LONG volume = 0;
  tone->GetVolume(&volume);
  EXPECT_EQ(volume, -600);
  IDirectSoundBuffer* fixed = Tone(DSBCAPS_CTRL3D);
  EXPECT_EQ(fixed->SetVolume(-100), DSERR_CONTROLUNAVAIL);
}

TEST_F(DSound8Test, DuplicatesShareTheSamplesAndPlayOnTheirOwn) {
  IDirectSoundBuffer* tone = Tone();
  IDirectSoundBuffer* copy = nullptr;
  ASSERT_EQ(sound_->DuplicateSoundBuffer(tone, &copy), DS_OK);
  buffers_.push_back(copy);
  ASSERT_EQ(copy->SetCurrentPosition(44101), DS_OK);  // rounded down to a whole frame
  ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
  DWORD status = 0;
  DWORD play = 0;
  copy->GetStatus(&status);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, DSBSTATUS_PLAYING);
  tone->GetStatus(&status);
  EXPECT_EQ(status, 0u);  // the original is not playing
  copy->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 44100u);
  EXPECT_GT(Loudness(), 1000.0);
  // Half a second of data from the middle: it has ended after one second.
  std::vector<std::int16_t> mix;
  host::AudioCapture::Render(sound_, 44100, &mix);
  copy->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  EXPECT_LT(Loudness(), kSilence);
  EXPECT_EQ(copy->SetCurrentPosition(88200), DSERR_INVALIDPARAM);
}

TEST_F(DSound8Test, ThreeDimensionalBuffersAreMonoAndOnlyTheyHaveA3DInterface) {
  WAVEFORMATEX stereo{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
  DSBUFFERDESC description{sizeof(DSBUFFERDESC), DSBCAPS_CTRL3D, 4410, 0, &stereo, {}};
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(sound_->CreateSoundBuffer(&description, &buffer, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer, nullptr);
  IDirectSoundBuffer* flat = Tone(DSBCAPS_CTRLVOLUME);
  IDirectSound3DBuffer* none = nullptr;
  EXPECT_EQ(flat->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<LPVOID*>(&none)), DSERR_NOINTERFACE);
  EXPECT_EQ(primary_->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<LPVOID*>(&none)), DSERR_NOINTERFACE);
}

TEST_F(DSound8Test, ALockPastTheEndWrapsToTheStart) {
  IDirectSoundBuffer* tone = Tone();
  void* part1 = nullptr;
  void* part2 = nullptr;
  DWORD bytes1 = 0;
  DWORD bytes2 = 0;
  ASSERT_EQ(tone->Lock(88000, 400, &part1, &bytes1, &part2, &bytes2, 0), DS_OK);
  EXPECT_EQ(bytes1, 200u);
  EXPECT_EQ(bytes2, 200u);
  EXPECT_EQ(static_cast<std::uint8_t*>(part1) - static_cast<std::uint8_t*>(part2), 88000);
  EXPECT_EQ(tone->Lock(0, 4, &part1, &bytes1, nullptr, nullptr, 0), DSERR_INVALIDCALL);  // still locked
  ASSERT_EQ(tone->Unlock(part1, bytes1, part2, bytes2), DS_OK);
  EXPECT_EQ(tone->Unlock(part1, bytes1, nullptr, 0), DSERR_INVALIDCALL);
  EXPECT_EQ(tone->Lock(88200, 4, &part1, &bytes1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST(DSound8Device, AMissingDeviceFailsCreation) {
  dsound8::FailNextDeviceOpens(1);
  IDirectSound8* sound = nullptr;
  EXPECT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(sound, nullptr);
  // The null backend of headless runs is a device.
  ASSERT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DS_OK);
  sound->Release();
}

}  // namespace
