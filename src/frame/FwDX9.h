#pragma once
// The Direct3D layer of the framework: the device of the main window, the
// overlay font and the listeners that drop and rebuild device resources when
// the device is lost.

#include <vector>

#include "frame/FwBase.h"

class FwDX9 : public FwBase {
 public:
  class D3dDeviceLostCallback {
   public:
    virtual ~D3dDeviceLostCallback() = default;
    virtual void OnDeviceLost() = 0;
    virtual void OnDeviceReset() = 0;
  };

  virtual bool CreateDevice(bool vsync, bool multisample, int fontHeight, bool mixedVertexProcessing);
  virtual void ReleaseDevice();

  // Stores the listener in the first free slot, else appends it.
  void AddDeviceLostCallback(D3dDeviceLostCallback* listener);
  // Frees the listener's slot.
  void RemoveDeviceLostCallback(D3dDeviceLostCallback* listener);

  int GetFontHeight() const { return fontHeight_; }

 protected:
  const std::vector<D3dDeviceLostCallback*>& GetDeviceLostListeners() const { return deviceLostListeners_; }

 private:
  int fontHeight_ = 0;
  std::vector<D3dDeviceLostCallback*> deviceLostListeners_;  // null entries are free slots
};

// Sits between the framework and the application; adds nothing of its own.
class FwDX9Template : public FwDX9 {};
