#pragma once
// A one-byte-per-texel texture that small blocks (glyph bitmaps) are packed
// into, shelf by shelf. It keeps its width and grows by doubling its height
// up to a limit; it tracks which texels changed so only those are uploaded.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32/WinTypes.h"

namespace d3dx {

class CoverageAtlas {
 public:
  // Empty (all zero) atlas of width x initialHeight that may grow to
  // maxHeight. The whole atlas counts as resized, so it is uploaded first.
  void Reset(int width, int initialHeight, int maxHeight);

  // Reserves a width x height block and returns its top-left texel. Blocks
  // are kept one texel apart so filtering never blends neighbours. False,
  // with nothing changed, when the block cannot fit even at the maximum size.
  bool Allocate(int width, int height, int* x, int* y);

  // Copies a block of coverage into a reserved place. pitch is the byte
  // offset from one source row to the next (may be negative).
  void Write(int x, int y, int width, int height, const std::uint8_t* topRow, std::ptrdiff_t pitch);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int MaxHeight() const { return maxHeight_; }
  const std::uint8_t* Pixels() const { return pixels_.data(); }

  // The texels written since the last call (right and bottom exclusive);
  // false if none. After a resize, *resized is true and the region is the
  // whole atlas: the texture must be recreated at the new size.
  bool TakeDirtyRegion(RECT* region, bool* resized);

 private:
  static constexpr int kGap = 1;

  int width_ = 0;
  int height_ = 0;
  int maxHeight_ = 0;
  std::vector<std::uint8_t> pixels_;
  // The open shelf: blocks are placed left to right from cursorX_.
  int shelfY_ = 0;
  int shelfHeight_ = 0;
  int cursorX_ = 0;
  bool resized_ = false;
  bool dirty_ = false;
  RECT dirtyRect_{};
};

}  // namespace d3dx
