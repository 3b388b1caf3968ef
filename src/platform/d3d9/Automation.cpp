#include "platform/d3d9/D3d9Automation.h"

#include "platform/d3d9/DeviceImpl.h"

namespace d3d9 {

void SimulateDeviceLoss(IDirect3DDevice9* device) {
  if (device != nullptr) device->Impl().lost = true;
}

void FailNextResets(IDirect3DDevice9* device, int count) {
  if (device != nullptr) device->Impl().failingResets = count;
}

bool ReadRenderTarget(IDirect3DDevice9* device, std::vector<std::uint32_t>* pixels, UINT* width, UINT* height) {
  if (device == nullptr || pixels == nullptr || width == nullptr || height == nullptr) return false;
  return device->Impl().ReadRenderTarget(pixels, width, height);
}

void SetDrawSubmission(IDirect3DDevice9* device, bool enabled) {
  if (device != nullptr) device->Impl().submitDraws = enabled;
}

Statistics GetStatistics(IDirect3DDevice9* device) {
  if (device == nullptr) return Statistics{};
  Statistics statistics = device->Impl().statistics;
  statistics.glStateChanges = device->Impl().State().Changes() - device->Impl().glChangesBaseline;
  statistics.programSwitches = device->Impl().State().ProgramSwitches() - device->Impl().programSwitchesBaseline;
  return statistics;
}

void ResetStatistics(IDirect3DDevice9* device) {
  if (device == nullptr) return;
  d3d9::DeviceImpl& impl = device->Impl();
  impl.statistics = Statistics{};
  impl.glChangesBaseline = impl.State().Changes();
  impl.programSwitchesBaseline = impl.State().ProgramSwitches();
}

}  // namespace d3d9
