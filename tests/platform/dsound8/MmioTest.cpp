// The RIFF reader: descend and ascend semantics and its bounds checks.

#include "platform/dsound8/Mmio.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/WaveFiles.h"

namespace {

using namespace wavefiles;

class MmioTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (file_ != nullptr) mmioClose(file_, 0);
    unlink(path_.c_str());
  }
  HMMIO Open(const Bytes& bytes) {
    EXPECT_TRUE(Write(path_, bytes));
    file_ = mmioOpenA(path_.c_str(), nullptr, MMIO_READ);
    return file_;
  }
  // One file per test: CTest runs tests in parallel processes.
  std::string path_ = ::testing::TempDir() + "mmio_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".riff";
  HMMIO file_ = nullptr;
};

TEST_F(MmioTest, DescendsIntoChunksAndAscendsPastTheirPadByte) {
  const Bytes odd = {1, 2, 3};
  ASSERT_NE(Open(Riff("WAVE", {Chunk("junk", odd), Format(1, 1, 8000, 16), Chunk("data", {9, 8, 7, 6})})), nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.dwDataOffset, 8u);
  EXPECT_EQ(riff.cksize, 4u + 12u + 24u + 12u);

  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  ASSERT_EQ(mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);  // skips "junk" and its pad
  EXPECT_EQ(chunk.cksize, 16u);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 12u + 8u);
  ASSERT_EQ(mmioAscend(file_, &chunk, 0), MMSYSERR_NOERROR);

  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  char data[8] = {};
  EXPECT_EQ(mmioRead(file_, data, 8), 4);  // to the end of the file, no further
  EXPECT_EQ(data[0], 9);
  EXPECT_EQ(data[3], 6);
  EXPECT_EQ(mmioRead(file_, data, 8), 0);
  EXPECT_EQ(mmioRead(file_, data, -1), -1);

  chunk.ckid = mmioFOURCC('l', 'o', 's', 't');
  EXPECT_EQ(mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(MmioTest, AChunkLargerThanItsContainerIsRefused) {
  // The data chunk claims more bytes than the file holds.
  ASSERT_NE(Open(Riff("WAVE", {Format(1, 1, 8000, 16), Chunk("data", {1, 2, 3, 4}, 4000)})), nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK), MMIOERR_INVALIDFILE);
}

TEST_F(MmioTest, ARiffLargerThanTheFileIsRefused) {
  Bytes bytes = MonoWave(8000, 0.01);
  bytes[4] = 0xFF;  // RIFF size low byte: past the end of the file
  ASSERT_NE(Open(bytes), nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  EXPECT_EQ(mmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF), MMIOERR_INVALIDFILE);
}

}  // namespace
