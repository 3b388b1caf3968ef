#pragma once
// The device's state and its OpenGL side (layer-internal).

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3d9/D3d9.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3d9/FixedFunction.h"
#include "platform/d3d9/GlStateCache.h"
#include "platform/d3d9/VertexLayout.h"

struct SDL_Window;

namespace d3d9 {

// A program supplied from outside the fixed-function emulation (the effect
// system) to draw with instead of it.
struct ProgramOverride {
  unsigned program = 0;
};

class DeviceImpl {
 public:
  DeviceImpl(SDL_Window* window, void* context, const D3DPRESENT_PARAMETERS& parameters, bool softwareVertexProcessing,
             D3DDEVTYPE type);
  ~DeviceImpl();

  // Creates the back buffer and resets every state. False when the
  // requested depth format or sample count cannot be had.
  bool Initialise(IDirect3DDevice9* owner);

  // --- state, as Direct3D keeps it ---
  std::array<DWORD, kD3dRenderStateCount> renderStates{};
  std::array<std::array<DWORD, kD3dTextureStageStateCount>, kD3dTextureStages> stageStates{};
  std::array<std::array<DWORD, kD3dSamplerStateCount>, kD3dSamplers> samplerStates{};
  std::array<D3DMATRIX, 4> world{};
  D3DMATRIX view{};
  D3DMATRIX projection{};
  std::array<D3DLIGHT9, kFixedLights> lights{};
  std::array<bool, kFixedLights> lightEnabled{};
  D3DMATERIAL9 material{};
  D3DVIEWPORT9 viewport{};
  std::array<IDirect3DBaseTexture9*, kD3dTextureStages> textures{};
  DWORD fvf = 0;
  IDirect3DVertexDeclaration9* declaration = nullptr;
  IDirect3DVertexBuffer9* streamBuffer = nullptr;
  UINT streamOffset = 0;
  UINT streamStride = 0;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  IDirect3DSurface9* renderTarget = nullptr;
  IDirect3DSurface9* depthStencil = nullptr;

  // Versions of state groups, bumped on every change, so programs upload
  // only what changed since they last drew.
  std::uint64_t transformVersion = 1;
  std::uint64_t lightVersion = 1;
  std::uint64_t materialVersion = 1;
  std::uint64_t miscVersion = 1;
  bool renderStatesDirty = true;
  bool framebufferDirty = true;
  bool layoutDirty = true;

  void ResetStates();
  void ReleaseBindings();

  // --- drawing ---
  // Prepares GL for a draw with the current states; false when the draw
  // cannot be made (no layout, no program).
  bool PrepareDraw(unsigned vertexBuffer, std::uintptr_t baseOffset, UINT stride);
  // Copies user vertex (and index) data into the streaming buffers. Vertices
  // return the index of the first one, indices their byte offset.
  UINT StreamVertices(const void* data, std::size_t bytes, UINT stride);
  std::uintptr_t StreamIndices(const void* data, std::size_t bytes);
  unsigned StreamVertexBuffer() const { return streamVertexBuffer_; }
  unsigned StreamIndexBuffer() const { return streamIndexBuffer_; }
  void CountDraw() { ++statistics.drawCalls; }

  void Clear(DWORD flags, D3DCOLOR colour, float z, DWORD stencil);
  HRESULT Present();
  HRESULT Reset(IDirect3DDevice9* owner, const D3DPRESENT_PARAMETERS& parameters);
  bool ReadRenderTarget(std::vector<std::uint32_t>* pixels, UINT* width, UINT* height);

  // --- resources ---
  void RegisterResource(IDirect3DResource9* resource, bool countsAgainstReset);
  void UnregisterResource(IDirect3DResource9* resource, bool countsAgainstReset);
  // Drops every state reference, then orphans the resources still alive.
  void ReleaseEverything();
  // GL objects about to be deleted: forget any record of them being bound.
  void ForgetTexture(unsigned texture) { state_.ForgetTexture(texture); }
  void ForgetBuffer(unsigned buffer);
  GlStateCache& State() { return state_; }
  unsigned WhiteTexture() const { return whiteTexture_; }
  bool HasStencil() const;
  // The size of the current colour target.
  void TargetSize(UINT* width, UINT* height) const;

  // --- the effect system's hooks ---
  // Draws use this program instead of the fixed-function emulation until it
  // is set back to 0. The program reads its attributes at the layer's
  // locations and may declare "uniform vec4 d3d_FogColor" and
  // "uniform int d3d_FogEnable", which follow the device's fog states.
  void SetProgramOverride(unsigned program) { programOverride_.program = program; }
  // A program about to be deleted.
  void ForgetProgram(unsigned program) {
    overrideUniforms_.erase(program);
    state_.ForgetProgram(program);
  }
  unsigned ProgramOverrideProgram() const { return programOverride_.program; }

  // --- automation ---
  bool lost = false;
  int failingResets = 0;
  bool submitDraws = true;
  // GL state calls and program switches counted before the statistics were reset.
  std::uint64_t glChangesBaseline = 0;
  std::uint64_t programSwitchesBaseline = 0;
  Statistics statistics;
  const D3DPRESENT_PARAMETERS& PresentParameters() const { return parameters_; }
  bool SoftwareVertexProcessing() const { return softwareVertexProcessing_; }
  D3DDEVTYPE Type() const { return type_; }

 private:
  bool CreateBackBuffer(IDirect3DDevice9* owner);
  void ReleaseBackBuffer();
  void ApplyFramebuffer();
  void ApplyRenderStates();
  void ApplyTextures();
  bool ApplyLayout(unsigned vertexBuffer, std::uintptr_t baseOffset, UINT stride);
  bool ApplyFixedFunctionProgram();
  void UploadFixedFunctionUniforms(FixedFunctionProgram* program);
  void ApplyOverrideUniforms();
  unsigned SamplerFor(DWORD stage);

  SDL_Window* window_;
  void* context_;
  D3DPRESENT_PARAMETERS parameters_;
  bool softwareVertexProcessing_;
  D3DDEVTYPE type_;
  GlStateCache state_;
  FixedFunctionCache fixedFunction_;
  ProgramOverride programOverride_;
  struct OverrideUniforms {
    bool resolved = false;
    int fogColor = -1;
    int fogEnable = -1;
    DWORD lastFogColor = ~0u;
    int lastFogEnable = -1;
    bool pixelOffsetResolved = false;
    int pixelOffset = -1;
    std::uint64_t viewportVersion = 0;
    int depthBias = -1;
    DWORD lastDepthBias = 0;  // programs start with their uniforms at 0
  };
  // One pixel of the viewport in clip units (see kClipFixGlsl).
  float PixelOffsetX() const { return viewport.Width > 0 ? 1.0f / static_cast<float>(viewport.Width) : 0.0f; }
  float PixelOffsetY() const { return viewport.Height > 0 ? 1.0f / static_cast<float>(viewport.Height) : 0.0f; }
  std::unordered_map<unsigned, OverrideUniforms> overrideUniforms_;
  VertexLayout layout_{};
  bool layoutValid_ = false;
  unsigned vertexArray_ = 0;
  unsigned streamVertexBuffer_ = 0;
  unsigned streamIndexBuffer_ = 0;
  std::size_t streamVertexCapacity_ = 0;
  std::size_t streamVertexUsed_ = 0;
  std::size_t streamIndexCapacity_ = 0;
  std::size_t streamIndexUsed_ = 0;
  unsigned whiteTexture_ = 0;
  unsigned backFramebuffer_ = 0;
  unsigned backColour_ = 0;
  unsigned backDepth_ = 0;
  unsigned targetFramebuffer_ = 0;  // for texture render targets
  IDirect3DSurface9* backBufferSurface_ = nullptr;
  IDirect3DSurface9* backDepthSurface_ = nullptr;
  int defaultPoolResources_ = 0;
  std::vector<IDirect3DResource9*> resources_;
  // Layout last bound to the vertex array, to skip re-specifying it.
  unsigned boundBuffer_ = ~0u;
  std::uintptr_t boundOffset_ = ~std::uintptr_t{0};
  UINT boundStride_ = 0;
  VertexLayout boundLayout_{};
  std::array<bool, kAttribCount> arrayEnabled_{};
  std::array<unsigned, kD3dSamplers> samplerObjects_{};
  std::array<std::array<DWORD, kD3dSamplerStateCount>, kD3dSamplers> samplerObjectStates_{};
};

}  // namespace d3d9
