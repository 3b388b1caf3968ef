#pragma once
// Hooks of the Direct3D layer for tests and tools (the game never calls them).

#include <cstdint>
#include <vector>

#include "platform/d3d9/D3d9.h"

namespace d3d9 {

// Makes device creation refuse some requests, so each fallback of the
// creator can be exercised: a D24S8 depth buffer, hardware vertex
// processing, the HAL device type, or every request.
struct CreationFaults {
  bool refuseD24S8 = false;
  bool refuseHardwareVertexProcessing = false;
  bool refuseHal = false;
  bool refuseAll = false;
};
void SetCreationFaults(const CreationFaults& faults);

// From now on Present reports D3DERR_DEVICELOST and TestCooperativeLevel
// D3DERR_DEVICENOTRESET, until a successful Reset.
void SimulateDeviceLoss(IDirect3DDevice9* device);

// Makes the next `count` calls of Reset fail with D3DERR_INVALIDCALL.
void FailNextResets(IDirect3DDevice9* device, int count);

// The current colour target as 0xAARRGGBB texels, rows top-down.
bool ReadRenderTarget(IDirect3DDevice9* device, std::vector<std::uint32_t>* pixels, UINT* width, UINT* height);

// With submission off, draws do all the layer's work (state translation,
// vertex upload, program choice) but skip the GL draw call itself, so a
// benchmark can tell the layer's cost from the driver's.
void SetDrawSubmission(IDirect3DDevice9* device, bool enabled);

// Counters of what reached OpenGL.
struct Statistics {
  std::uint64_t drawCalls = 0;
  std::uint64_t stateSets = 0;          // SetRenderState/SetTextureStageState/SetSamplerState calls
  std::uint64_t redundantStateSets = 0; // of those, the ones that changed nothing
  std::uint64_t glStateChanges = 0;     // GL state calls actually made
  std::uint64_t programSwitches = 0;
};
Statistics GetStatistics(IDirect3DDevice9* device);
void ResetStatistics(IDirect3DDevice9* device);

}  // namespace d3d9
