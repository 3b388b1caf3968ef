// The Direct3D object: display mode, capabilities and device creation, which
// makes one OpenGL 3.3 core context on the device window.

#include <SDL.h>
#include <epoxy/gl.h>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>

#include "platform/d3d9/D3d9.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3d9/DeviceImpl.h"
#include "platform/win32/SdlBridge.h"

namespace {

d3d9::CreationFaults g_faults;

bool Refused(D3DDEVTYPE type, DWORD behaviour, const D3DPRESENT_PARAMETERS& parameters) {
  if (g_faults.refuseAll) return true;
  if (g_faults.refuseHal && type == D3DDEVTYPE_HAL) return true;
  if (g_faults.refuseHardwareVertexProcessing && (behaviour & D3DCREATE_SOFTWARE_VERTEXPROCESSING) == 0) return true;
  if (g_faults.refuseD24S8 && parameters.EnableAutoDepthStencil &&
      parameters.AutoDepthStencilFormat == D3DFMT_D24S8) {
    return true;
  }
  return false;
}

// Software GL drivers allocate and free large scratch blocks on many state
// changes. With glibc's default thresholds each free hands the memory back
// to the system and the next allocation faults it in again, which costs far
// more than the draw itself; keeping freed memory around avoids that.
void KeepFreedMemoryForReuse() {
  static bool done = false;
  if (done) return;
  done = true;
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
}

SDL_GLContext CreateContext(SDL_Window* window) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The device draws into its own framebuffers; the window needs colour only.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  return SDL_GL_CreateContext(window);
}

}  // namespace

namespace d3d9 {
void SetCreationFaults(const CreationFaults& faults) { g_faults = faults; }
}  // namespace d3d9

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  if (g_faults.refuseAll) return new IDirect3D9();  // fails later, at CreateDevice
  return new IDirect3D9();
}

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  if (adapter != D3DADAPTER_DEFAULT || mode == nullptr) return D3DERR_INVALIDCALL;
  SDL_DisplayMode desktop{};
  if (!platform::EnsureSdlVideo() || SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
    desktop.w = 1920;
    desktop.h = 1080;
    desktop.refresh_rate = 60;
  }
  *mode = D3DDISPLAYMODE{static_cast<UINT>(desktop.w), static_cast<UINT>(desktop.h),
                         static_cast<UINT>(desktop.refresh_rate), D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT IDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  if (adapter != D3DADAPTER_DEFAULT || caps == nullptr) return D3DERR_INVALIDCALL;
  *caps = D3DCAPS9{};
  caps->DeviceType = type;
  caps->MaxTextureWidth = 8192;
  caps->MaxTextureHeight = 8192;
  caps->MaxAnisotropy = 16;
  caps->MaxSimultaneousTextures = 8;
  caps->MaxActiveLights = 8;
  caps->MaxVertexBlendMatrices = 4;
  caps->MaxPrimitiveCount = 0xFFFFFF;
  caps->MaxVertexIndex = 0xFFFFFF;
  caps->MaxStreams = 1;
  caps->VertexShaderVersion = D3DVS_VERSION(1, 1);
  caps->MaxVertexShaderConst = 256;
  caps->PixelShaderVersion = D3DPS_VERSION(2, 0);
  caps->NumSimultaneousRTs = 1;
  return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                 D3DPRESENT_PARAMETERS* presentParameters, IDirect3DDevice9** device) {
  if (adapter != D3DADAPTER_DEFAULT || presentParameters == nullptr || device == nullptr) return D3DERR_INVALIDCALL;
  *device = nullptr;
  D3DPRESENT_PARAMETERS parameters = *presentParameters;
  HWND window = parameters.hDeviceWindow != nullptr ? parameters.hDeviceWindow : focusWindow;
  SDL_Window* sdlWindow = platform::SdlWindowOf(window);
  if (sdlWindow == nullptr) return D3DERR_INVALIDCALL;
  if (Refused(type, behaviour, parameters)) return D3DERR_NOTAVAILABLE;

  if (parameters.BackBufferWidth == 0 || parameters.BackBufferHeight == 0) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    if (parameters.BackBufferWidth == 0) parameters.BackBufferWidth = static_cast<UINT>(width);
    if (parameters.BackBufferHeight == 0) parameters.BackBufferHeight = static_cast<UINT>(height);
  }
  if (parameters.BackBufferFormat == D3DFMT_UNKNOWN) parameters.BackBufferFormat = D3DFMT_X8R8G8B8;

  // The reference device is Mesa's software rasteriser.
  if (type == D3DDEVTYPE_REF) setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  KeepFreedMemoryForReuse();
  SDL_GLContext context = CreateContext(sdlWindow);
  if (context == nullptr) {
    std::fprintf(stderr, "grapple: no OpenGL 3.3 context: %s\n", SDL_GetError());
    return D3DERR_NOTAVAILABLE;
  }
  int major = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  if (major < 3) {
    SDL_GL_DeleteContext(context);
    return D3DERR_NOTAVAILABLE;
  }
  SDL_GL_SetSwapInterval(parameters.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

  const bool software = (behaviour & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
  auto impl = std::make_unique<d3d9::DeviceImpl>(sdlWindow, context, parameters, software, type);
  d3d9::DeviceImpl* implPointer = impl.get();
  auto* created = new IDirect3DDevice9(this, std::move(impl));
  if (!implPointer->Initialise(created)) {
    created->Release();
    return D3DERR_NOTAVAILABLE;
  }
  *presentParameters = parameters;
  *device = created;
  return D3D_OK;
}
