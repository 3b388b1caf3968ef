// The sound system on the loopback device: loading with its messages, the
// pool, voices and stealing, and what a listener at the camera hears.

#include "sound/SoundSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/dsound8/DSoundAutomation.h"
#include "platform/host/AudioCapture.h"
#include "render/PathData.h"
#include "support/WaveFiles.h"

namespace {

using namespace wavefiles;

constexpr double kSilence = 8.0;  // the dithered mix of nothing

class Messages : public MessageOutputInterface {
 public:
  void Output(const char* text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

class SoundSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "sound_system_test/";
    mkdir(dir_.c_str(), 0755);
    camera_.eye = D3DXVECTOR3(0, 0, 0);
    camera_.viewDirection = D3DXVECTOR3(0, 0, 1);
    camera_.up = D3DXVECTOR3(0, 1, 0);
    ASSERT_TRUE(sound_.Init(nullptr, 0.99f));
    sound_.SetView(&camera_);
  }
  void TearDown() override { sound_.Shutdown(); }

  std::string File(const std::string& name, const Bytes& bytes) {
    const std::string path = dir_ + name;
    EXPECT_TRUE(Write(path, bytes));
    return path;
  }
  static std::string Key(std::string path) {
    PathData::NormalizePath(&path);
    return path;
  }
  double Loudness() { return Levels().left + Levels().right; }
  host::AudioCapture::Levels Levels() {
    std::vector<std::int16_t> mix;
    EXPECT_TRUE(host::AudioCapture::Render(sound_.GetDirectSound(), 1024, &mix));
    EXPECT_TRUE(host::AudioCapture::Render(sound_.GetDirectSound(), 4410, &mix));
    return host::AudioCapture::Measure(mix);
  }
  DWORD Cursor(int voice) const {
    DWORD play = 0;
    sound_.GetVoice(voice).buffer->GetCurrentPosition(&play, nullptr);
    return play;
  }
  LONG Volume(int voice) const {
    LONG volume = 0;
    sound_.GetVoice(voice).buffer->GetVolume(&volume);
    return volume;
  }

  host::AudioCapture capture_;
  std::string dir_;
  CameraView camera_;
  SoundSystem sound_;
  Messages messages_;
};

TEST_F(SoundSystemTest, OneFileUnderTwoSpellingsIsOneSoundWithTwoReferences) {
  const std::string path = File("hit.wav", MonoWave(22050, 0.5));
  SoundData* first = sound_.Load(path.c_str(), &messages_);
  ASSERT_NE(first, nullptr);
  EXPECT_FLOAT_EQ(first->duration, 0.5f);
  EXPECT_FLOAT_EQ(first->bytesPerSecond, 44100.0f);
  unlink(path.c_str());  // the second load must not need the file
  const std::string other = dir_ + "sub/../HIT.WAV";
  SoundData* second = sound_.Load(other.c_str(), &messages_);
  EXPECT_EQ(second, first);
  EXPECT_TRUE(messages_.lines.empty());
  EXPECT_EQ(sound_.GetPool().Count(Key(path)), 2);

  ASSERT_TRUE(sound_.Play3D(first, 1.0f, 100.0f, D3DXVECTOR3(0, 0, 5), 0.0f));
  sound_.Unload(second);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(sound_.GetActiveVoiceCount(), 0);  // unloading stops its voices
  EXPECT_EQ(sound_.GetPool().Count(Key(path)), 1);
  sound_.Unload(first);
  EXPECT_EQ(sound_.GetPool().Size(), 0u);
}

TEST_F(SoundSystemTest, BrokenFilesGiveTheirMessageAndPoolNothing) {
  const Bytes samples = Sine(22050, 0.1, 440.0);
  // IMA ADPCM: 256-byte blocks of 505 samples, 32 bytes of extra format.
  Bytes adpcm = Format(0x11, 1, 22050, 4, 32);
  adpcm[16] = 0x93;  // 11155 bytes per second
  adpcm[17] = 0x2B;
  adpcm[20] = 0x00;  // block align 256
  adpcm[21] = 0x01;
  const struct {
    const char* name;
    Bytes bytes;
    const char* message;
  } cases[] = {
      {"stereo.wav", Riff("WAVE", {Format(1, 2, 22050, 16), Chunk("data", samples)}),
       "Can't use multichannel sound data for 3D"},
      {"float.wav", Riff("WAVE", {Format(3, 1, 22050, 32), Chunk("data", samples)}), "Unsupported format"},
      {"adpcm.wav", Riff("WAVE", {adpcm, Chunk("data", samples)}), "Unsupported format"},
      // A format chunk longer than its record: only the record is read.
      {"extensible.wav", Riff("WAVE", {Format(0xFFFE, 1, 22050, 16, 22), Chunk("data", samples)}),
       "Unsupported format"},
      {"24bit.wav", Riff("WAVE", {Format(1, 1, 22050, 24), Chunk("data", samples)}), "Failed to create sound buffer"},
      {"empty.wav", Riff("WAVE", {Format(1, 1, 22050, 16), Chunk("data", {})}), "Failed to load wave file"},
      {"nodata.wav", Riff("WAVE", {Format(1, 1, 22050, 16)}), "Failed to load wave file"},
      {"nofmt.wav", Riff("WAVE", {Chunk("data", samples)}), "Failed to load wave file"},
      {"toolong.wav", Riff("WAVE", {Format(1, 1, 22050, 16), Chunk("data", samples, 100000)}),
       "Failed to load wave file"},
      {"zerorate.wav", Riff("WAVE", {Format(1, 1, 0, 16), Chunk("data", samples)}), "Failed to load wave file"},
      {"shortfmt.wav", Riff("WAVE", {Chunk("fmt ", {1, 0, 1, 0}), Chunk("data", samples)}),
       "Failed to load wave file"},
      {"text.wav", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'r', 'i', 'f', 'f'}, "Failed to load wave file"},
      {"avi.wav", Riff("AVI ", {Format(1, 1, 22050, 16), Chunk("data", samples)}), "Failed to load wave file"},
      {"truncated.wav", Bytes{'R', 'I', 'F', 'F', 4}, "Failed to load wave file"},
  };
  for (const auto& c : cases) {
    const std::string path = File(c.name, c.bytes);
    messages_.lines.clear();
    EXPECT_EQ(sound_.Load(path.c_str(), &messages_), nullptr) << c.name;
    EXPECT_EQ(messages_.lines, std::vector<std::string>{path + ": " + c.message}) << c.name;
  }
  // A name of 128 characters fails before the file is opened; 127 is fine.
  ASSERT_LT(dir_.size(), 100u) << "the temporary folder's path is too long for this test";
  for (std::size_t length : {128u, 127u}) {
    const std::string name = std::string(length - dir_.size() - 4, 'n') + ".wav";
    const std::string path = File(name, MonoWave(22050, 0.1));
    ASSERT_EQ(path.size(), length);
    messages_.lines.clear();
    SoundData* sound = sound_.Load(path.c_str(), &messages_);
    EXPECT_EQ(sound == nullptr, length == 128);
    EXPECT_EQ(messages_.lines.size(), length == 128 ? 1u : 0u);
    sound_.Unload(sound);
  }
  EXPECT_EQ(sound_.Load((dir_ + "missing.wav").c_str(), nullptr), nullptr);  // no output: nothing said
  EXPECT_EQ(sound_.GetPool().Size(), 0u);
}

TEST_F(SoundSystemTest, EightBitMonoLoadsAndPlaysAsItIs) {
  Bytes samples;
  for (int i = 0; i < 11025; ++i) samples.push_back(static_cast<std::uint8_t>(i % 20 < 10 ? 0xE0 : 0x20));
  const std::string path = File("eight.wav", Riff("WAVE", {Format(1, 1, 11025, 8), Chunk("data", samples)}));
  SoundData* sound = sound_.Load(path.c_str(), &messages_);
  ASSERT_NE(sound, nullptr);
  EXPECT_FLOAT_EQ(sound->duration, 1.0f);
  ASSERT_TRUE(sound_.Play3D(sound, 1.0f, 100.0f, D3DXVECTOR3(0, 0, 1), 0.0f));
  EXPECT_GT(Loudness(), 1000.0);  // unsigned samples: a square wave, not silence around 0x80
}

TEST_F(SoundSystemTest, TheSeventeenthPlayStealsTheVoiceWithTheLeastTimeLeft) {
  SoundData* longSound = sound_.Load(File("long.wav", MonoWave(22050, 1.0)).c_str(), &messages_);
  SoundData* other = sound_.Load(File("other.wav", MonoWave(22050, 0.2)).c_str(), &messages_);
  ASSERT_NE(longSound, nullptr);
  ASSERT_NE(other, nullptr);
  for (int i = 0; i < SoundSystem::kVoiceCount; ++i) {
    const float start = i == 5 ? 0.9f : 0.05f * static_cast<float>(i % 8);
    ASSERT_TRUE(sound_.Play3D(longSound, 1.0f, 100.0f, D3DXVECTOR3(0, 0, 5), start));
  }
  EXPECT_EQ(Cursor(5), 39690u);  // round(44100 bytes/s x 0.9 s)
  std::vector<IDirectSoundBuffer*> before;
  for (int i = 0; i < SoundSystem::kVoiceCount; ++i) before.push_back(sound_.GetVoice(i).buffer);

  ASSERT_TRUE(sound_.Play3D(other, 1.0f, 100.0f, D3DXVECTOR3(0, 0, 5), 0.0f));
  EXPECT_EQ(sound_.GetVoice(5).sound, other);
  for (int i = 0; i < SoundSystem::kVoiceCount; ++i) {
    if (i != 5) {
      EXPECT_EQ(sound_.GetVoice(i).buffer, before[i]) << i;
    }
  }
  // With equal time left everywhere the first voice goes.
  sound_.StopAll();
  for (int i = 0; i < SoundSystem::kVoiceCount; ++i) sound_.Play3D(longSound, 1.0f, 100.0f, D3DXVECTOR3(), 0.0f);
  ASSERT_TRUE(sound_.Play3D(other, 1.0f, 100.0f, D3DXVECTOR3(), 0.0f));
  EXPECT_EQ(sound_.GetVoice(0).sound, other);
  EXPECT_EQ(sound_.GetActiveVoiceCount(), SoundSystem::kVoiceCount);
}

TEST_F(SoundSystemTest, SoundsStartWithinOneAndAHalfTimesTheirMaximumDistance) {
  SoundData* sound = sound_.Load(File("near.wav", MonoWave(22050, 1.0)).c_str(), &messages_);
  camera_.eye = D3DXVECTOR3(10, 0, 0);
  sound_.Update();
  EXPECT_FALSE(sound_.Play3D(sound, 1.0f, 10.0f, D3DXVECTOR3(26, 0, 0), 0.0f));  // 1.6 x
  ASSERT_TRUE(sound_.Play3D(sound, 1.0f, 10.0f, D3DXVECTOR3(24, 0, 0), 0.0f));   // 1.4 x
  EXPECT_LT(Loudness(), kSilence);  // started, but muted beyond its maximum distance
  camera_.eye = D3DXVECTOR3(20, 0, 0);
  sound_.Update();
  EXPECT_GT(Loudness(), 100.0);
  EXPECT_FALSE(sound_.Play3D(nullptr, 1.0f, 10.0f, D3DXVECTOR3(20, 0, 0), 0.0f));
}

TEST_F(SoundSystemTest, VolumeMapsToHundredthsOfADecibelAndZeroStillStarts) {
  SoundData* sound = sound_.Load(File("vol.wav", MonoWave(22050, 1.0)).c_str(), &messages_);
  ASSERT_TRUE(sound_.Play3D(sound, 1.0f, 100.0f, D3DXVECTOR3(0, 0, 1), 0.0f));
  ASSERT_TRUE(sound_.Play3D(sound, 0.0f, 100.0f, D3DXVECTOR3(0, 0, 1), 0.0f));
  ASSERT_TRUE(sound_.Play3D(sound, 0.5f, 100.0f, D3DXVECTOR3(0, 0, 1), 0.25f));
  EXPECT_EQ(Volume(0), -50);
  EXPECT_EQ(Volume(1), -5000);
  EXPECT_EQ(Volume(2), -2525);
  EXPECT_EQ(Cursor(2), 11024u);  // a quarter second in (11025 bytes), down to a whole frame
}

TEST_F(SoundSystemTest, TheListenerFollowsTheCamera) {
  SoundData* sound = sound_.Load(File("side.wav", MonoWave(22050, 1.0)).c_str(), &messages_);
  ASSERT_TRUE(sound_.Play3D(sound, 1.0f, 100.0f, D3DXVECTOR3(-20, 0, 0), 0.0f));
  auto levels = Levels();
  EXPECT_GT(levels.left, 2.0 * levels.right);
  // The camera turns round: the same voice is now on the right.
  camera_.viewDirection = D3DXVECTOR3(0, 0, -1);
  sound_.Update();
  levels = Levels();
  EXPECT_GT(levels.right, 2.0 * levels.left);
}

TEST_F(SoundSystemTest, StopAllSilencesEverythingAndUpdateReclaimsEndedVoices) {
  SoundData* sound = sound_.Load(File("all.wav", MonoWave(22050, 1.0)).c_str(), &messages_);
  SoundData* blip = sound_.Load(File("blip.wav", MonoWave(22050, 0.05)).c_str(), &messages_);
  for (float x : {-10.0f, 0.0f, 10.0f}) ASSERT_TRUE(sound_.Play3D(sound, 1.0f, 100.0f, D3DXVECTOR3(x, 0, 5), 0.0f));
  ASSERT_TRUE(sound_.Play3D(blip, 1.0f, 100.0f, D3DXVECTOR3(0, 0, 5), 0.0f));
  EXPECT_GT(Loudness(), 1000.0);  // 0.125 s: the blip has ended
  sound_.Update();
  EXPECT_EQ(sound_.GetActiveVoiceCount(), 3);
  EXPECT_EQ(sound_.GetVoice(3).buffer, nullptr);
  sound_.StopAll();
  EXPECT_EQ(sound_.GetActiveVoiceCount(), 0);
  EXPECT_LT(Loudness(), kSilence);
}

TEST(SoundSystemDevice, WithoutASoundDeviceEverythingIsSilentAndHarmless) {
  dsound8::FailNextDeviceOpens(1);
  SoundSystem* sound = SoundSystem::GetInstance();
  EXPECT_EQ(SoundSystem::GetInstance(), sound);
  EXPECT_FALSE(sound->Init(nullptr, 0.99f));
  Messages messages;
  EXPECT_EQ(sound->Load("data/sound/hit.wav", &messages), nullptr);
  EXPECT_TRUE(messages.lines.empty());
  EXPECT_FALSE(sound->Play3D(nullptr, 1.0f, 10.0f, D3DXVECTOR3(), 0.0f));
  sound->Update();
  sound->StopAll();
  sound->Shutdown();
  // It can be brought up later, once, and deleted.
  ASSERT_TRUE(sound->Init(nullptr, 0.99f));
  EXPECT_FALSE(sound->Init(nullptr, 0.99f));
  SoundSystem::DeleteInstance();
}

}  // namespace
