#include "frame/FwDX9.h"

#include <algorithm>

bool FwDX9::CreateDevice(bool /*vsync*/, bool /*multisample*/, int fontHeight, bool /*mixedVertexProcessing*/) {
  fontHeight_ = fontHeight;
  return true;
}

void FwDX9::ReleaseDevice() {}

void FwDX9::AddDeviceLostCallback(D3dDeviceLostCallback* listener) {
  auto freeSlot = std::find(deviceLostListeners_.begin(), deviceLostListeners_.end(), nullptr);
  if (freeSlot != deviceLostListeners_.end()) {
    *freeSlot = listener;
  } else {
    deviceLostListeners_.push_back(listener);
  }
}

void FwDX9::RemoveDeviceLostCallback(D3dDeviceLostCallback* listener) {
  std::replace(deviceLostListeners_.begin(), deviceLostListeners_.end(), listener,
               static_cast<D3dDeviceLostCallback*>(nullptr));
}
