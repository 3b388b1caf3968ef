#include "platform/d3dx9/CoverageAtlas.h"

#include <algorithm>
#include <cstring>

namespace d3dx {

void CoverageAtlas::Reset(int width, int initialHeight, int maxHeight) {
  width_ = std::max(width, 1);
  maxHeight_ = std::max(maxHeight, 1);
  height_ = std::clamp(initialHeight, 1, maxHeight_);
  pixels_.assign(std::size_t(width_) * std::size_t(height_), 0);
  shelfY_ = 0;
  shelfHeight_ = 0;
  cursorX_ = 0;
  resized_ = true;
  dirty_ = false;
}

bool CoverageAtlas::Allocate(int width, int height, int* x, int* y) {
  if (width <= 0 || height <= 0 || width > width_ || height > maxHeight_) return false;

  int placeX = cursorX_;
  int placeY = shelfY_;
  int shelfHeight = shelfHeight_;
  if (placeX + width > width_) {  // open a new shelf below the current one
    placeX = 0;
    placeY = shelfY_ + shelfHeight_ + kGap;
    shelfHeight = 0;
  }
  if (placeY + height > maxHeight_) return false;
  if (placeY + height > height_) {
    int newHeight = height_;
    while (newHeight < placeY + height) newHeight *= 2;
    height_ = std::min(newHeight, maxHeight_);
    pixels_.resize(std::size_t(width_) * std::size_t(height_), 0);
    resized_ = true;
  }

  cursorX_ = placeX + width + kGap;
  shelfY_ = placeY;
  shelfHeight_ = std::max(shelfHeight, height);
  *x = placeX;
  *y = placeY;
  return true;
}

void CoverageAtlas::Write(int x, int y, int width, int height, const std::uint8_t* topRow, std::ptrdiff_t pitch) {
  if (width <= 0 || height <= 0 || x < 0 || y < 0 || x + width > width_ || y + height > height_) return;
  for (int row = 0; row < height; ++row) {
    std::memcpy(&pixels_[std::size_t(y + row) * std::size_t(width_) + std::size_t(x)], topRow + row * pitch,
                std::size_t(width));
  }
  const RECT block{x, y, x + width, y + height};
  if (!dirty_) {
    dirtyRect_ = block;
    dirty_ = true;
  } else {
    dirtyRect_.left = std::min(dirtyRect_.left, block.left);
    dirtyRect_.top = std::min(dirtyRect_.top, block.top);
    dirtyRect_.right = std::max(dirtyRect_.right, block.right);
    dirtyRect_.bottom = std::max(dirtyRect_.bottom, block.bottom);
  }
}

bool CoverageAtlas::TakeDirtyRegion(RECT* region, bool* resized) {
  *resized = resized_;
  if (resized_) {
    *region = RECT{0, 0, width_, height_};
  } else if (dirty_) {
    *region = dirtyRect_;
  } else {
    return false;
  }
  resized_ = false;
  dirty_ = false;
  return true;
}

}  // namespace d3dx
