#pragma once
// The Direct3D layer of the framework: the device of the main window with its
// creation fallbacks, the overlay font, the listeners that drop and rebuild
// device resources when the device is lost, the camera block and the small
// immediate-mode drawing helpers of the debug and overlay code.

#include <vector>

#include "frame/CameraView.h"
#include "frame/FwBase.h"
#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxFont.h"
#include "platform/d3dx9/D3dxMath.h"

class FwDX9 : public FwBase {
 public:
  class D3dDeviceLostCallback {
   public:
    virtual ~D3dDeviceLostCallback() = default;
    virtual void OnDeviceLost() = 0;
    virtual void OnDeviceReset() = 0;
  };

  FwDX9() = default;
  // Releases whatever ReleaseDevice has not.
  ~FwDX9() override;

  // Creates the device, falling back to a 16-bit depth buffer, software
  // vertex processing and the reference device in turn; each fallback that
  // works is reported in an "Info" box. False (after a "Failed" box) when no
  // device or no font could be made.
  virtual bool CreateDevice(bool vsync, bool multisample, int fontHeight, bool mixedVertexProcessing);
  // Releases font, device and Direct3D object, in this order.
  virtual void ReleaseDevice();

  // Stores the listener in the first free slot, else appends it.
  void AddDeviceLostCallback(D3dDeviceLostCallback* listener);
  // Frees the listener's slot.
  void RemoveDeviceLostCallback(D3dDeviceLostCallback* listener);

  // Resets a lost device while the window is in front: the font and the
  // listeners' resources are dropped and rebuilt around the reset. A reset
  // that fails twice ends the process.
  void RestoreDevice();
  void SetDefaultRenderStates();

  // Camera (FwDX9Camera.cpp).
  // Stores the planes, recomputes the projection and puts the camera back
  // to its start: looking along +Z from a tenth of the far plane away.
  void SetProjection(float fieldOfView, float nearPlane, float farPlane);
  // Recomputes the projection from the stored planes and the window's aspect.
  void UpdateProjection();
  // Builds the view matrix from eye, direction and up and sets it.
  void UpdateView();
  // One frame of the mouse-driven free camera.
  void FreeCamera();
  // Projects a world point to screen pixels (z: view depth / far plane).
  // The point is always overwritten; true when it lies in front of the camera.
  bool WorldToScreen(D3DXVECTOR3* point) const;
  // As WorldToScreen with the projected depth as z, but a point behind the
  // camera is left unchanged (false).
  bool WorldToScreenClipped(D3DXVECTOR3* point) const;

  // Immediate-mode drawing with the vertex format the caller has set
  // (FwDX9Draw.cpp).
  void DrawLine2D(D3DCOLOR colour, const D3DXVECTOR2& from, const D3DXVECTOR2& to);
  // A filled rectangle shaded in two bands: lighter at the top, darker at
  // 30 % of the height, the colour itself at the bottom.
  void DrawPanel2D(const D3DXVECTOR2& topLeft, const D3DXVECTOR2& bottomRight, const D3DXCOLOR& colour);
  // Three circles around the centre, one in each coordinate plane.
  void DrawCircles3D(const D3DXVECTOR3& centre, float radius, int segments, D3DCOLOR colour);
  // The axes from -1 to +1 in the current world transform, each fading in
  // towards its positive end.
  void DrawAxisGizmo();

  IDirect3D9* GetDirect3D() const { return direct3d_; }
  IDirect3DDevice9* GetDevice() const { return device_; }
  const D3DPRESENT_PARAMETERS& GetPresentParameters() const { return presentParameters_; }
  ID3DXFont* GetFont() const { return font_; }
  int GetFontHeight() const { return fontHeight_; }
  CameraView& GetCamera() { return camera_; }
  const CameraView& GetCamera() const { return camera_; }

 protected:
  const std::vector<D3dDeviceLostCallback*>& GetDeviceLostListeners() const { return deviceLostListeners_; }

 private:
  bool CreateOverlayFont();
  void ReleaseOverlayFont();

  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  D3DPRESENT_PARAMETERS presentParameters_{};
  ID3DXFont* font_ = nullptr;
  int fontHeight_ = 0;
  std::vector<D3dDeviceLostCallback*> deviceLostListeners_;  // null entries are free slots
  CameraView camera_;
};

// Sits between the framework and the application; adds nothing of its own.
class FwDX9Template : public FwDX9 {};
