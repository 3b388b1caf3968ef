#pragma once
// The Direct3D 9 subset the game draws with, implemented on one OpenGL 3.3
// core context. Objects are reference counted like COM objects: the creator
// holds one reference and gives it back with Release.
//
// Rendering conventions kept from Direct3D 9: row vectors and row-major
// matrices, depth range [0, 1], clockwise front faces, pixel centres at
// integer coordinates for pre-transformed vertices, texture rows top-down.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d9/D3d9Structs.h"

class IDirect3DDevice9;

namespace d3d9 {
class DeviceImpl;
}

// Reference counting shared by every object of the layer.
class D3dUnknown {
 public:
  ULONG AddRef() { return ++references_; }
  ULONG Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  D3dUnknown() = default;
  virtual ~D3dUnknown() = default;
  D3dUnknown(const D3dUnknown&) = delete;
  D3dUnknown& operator=(const D3dUnknown&) = delete;

 private:
  std::atomic<ULONG> references_{1};
};

// A resource of a device. Resources do not keep the device alive: when the
// device goes, the resources still held are orphaned (their GL objects
// deleted) and every later use fails harmlessly.
class IDirect3DResource9 : public D3dUnknown {
 public:
  HRESULT GetDevice(IDirect3DDevice9** device);
  D3DPOOL GetPool() const { return pool_; }

  // Layer-internal: the device is going away.
  void Orphan();

 protected:
  // Default-pool resources count against a reset unless the device owns them.
  IDirect3DResource9(IDirect3DDevice9* device, D3DPOOL pool, bool deviceOwned = false);
  ~IDirect3DResource9() override;
  // Deletes the GL objects; the device's context is current.
  virtual void ReleaseGl() {}
  IDirect3DDevice9* device_;
  D3DPOOL pool_;
  bool counted_;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc);

  // Layer-internal.
  IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
  ~IDirect3DVertexBuffer9() override;
  void ReleaseGl() override;
  unsigned GlBuffer() const { return buffer_; }
  bool CreateGl();
  UINT Length() const { return static_cast<UINT>(data_.size()); }

 private:
  std::vector<std::uint8_t> data_;
  DWORD usage_;
  DWORD fvf_;
  unsigned buffer_ = 0;
  bool locked_ = false;
  UINT lockOffset_ = 0;
  UINT lockSize_ = 0;
  bool lockDiscard_ = false;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
 public:
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc);

  // Layer-internal.
  IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~IDirect3DIndexBuffer9() override;
  void ReleaseGl() override;
  unsigned GlBuffer() const { return buffer_; }
  bool CreateGl();
  D3DFORMAT Format() const { return format_; }
  UINT Length() const { return static_cast<UINT>(data_.size()); }

 private:
  std::vector<std::uint8_t> data_;
  DWORD usage_;
  D3DFORMAT format_;
  unsigned buffer_ = 0;
  bool locked_ = false;
  UINT lockOffset_ = 0;
  UINT lockSize_ = 0;
};

class IDirect3DTexture9;

// A 2D image: a texture level, an off-screen depth-stencil surface, or the
// device's own back buffer or depth buffer.
class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  HRESULT GetDesc(D3DSURFACE_DESC* desc);
  HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags);
  HRESULT UnlockRect();

  // Layer-internal.
  enum class Kind { TextureLevel, DepthStencil, BackBuffer, BackDepth };
  IDirect3DSurface9(IDirect3DDevice9* device, Kind kind, D3DPOOL pool, D3DSURFACE_DESC desc);
  ~IDirect3DSurface9() override;
  void ReleaseGl() override;
  Kind GetKind() const { return kind_; }
  IDirect3DTexture9* Owner() const { return owner_; }
  UINT Level() const { return level_; }
  unsigned GlRenderbuffer() const { return renderbuffer_; }
  const D3DSURFACE_DESC& Desc() const { return desc_; }
  void AttachToTexture(IDirect3DTexture9* owner, UINT level);
  bool CreateGl();

 private:
  Kind kind_;
  D3DSURFACE_DESC desc_;
  IDirect3DTexture9* owner_ = nullptr;  // holds a reference while set
  UINT level_ = 0;
  unsigned renderbuffer_ = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  DWORD GetLevelCount() const { return static_cast<DWORD>(levels_.size()); }

  // Layer-internal.
  unsigned GlTexture() const { return texture_; }

 protected:
  IDirect3DBaseTexture9(IDirect3DDevice9* device, D3DPOOL pool) : IDirect3DResource9(device, pool) {}
  struct Level {
    UINT width;
    UINT height;
    std::vector<std::uint8_t> data;  // CPU copy of lockable levels, 4 bytes a texel
  };
  std::vector<Level> levels_;
  unsigned texture_ = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags);
  HRESULT UnlockRect(UINT level);

  // Layer-internal.
  IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                    D3DPOOL pool);
  ~IDirect3DTexture9() override;
  void ReleaseGl() override;
  bool CreateGl();
  DWORD Usage() const { return usage_; }
  D3DFORMAT Format() const { return format_; }
  UINT Width(UINT level) const { return level < levels_.size() ? levels_[level].width : 0; }
  UINT Height(UINT level) const { return level < levels_.size() ? levels_[level].height : 0; }

 private:
  void Upload(UINT level);
  DWORD usage_;
  D3DFORMAT format_;
  std::vector<bool> locked_;
};

class IDirect3DVertexDeclaration9 : public D3dUnknown {
 public:
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count);

  // Layer-internal.
  explicit IDirect3DVertexDeclaration9(const D3DVERTEXELEMENT9* elements);
  const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }

 private:
  std::vector<D3DVERTEXELEMENT9> elements_;  // without the end marker
};

class IDirect3D9;

class IDirect3DDevice9 : public D3dUnknown {
 public:
  HRESULT GetDirect3D(IDirect3D9** direct3d);
  HRESULT GetDeviceCaps(D3DCAPS9* caps);
  BOOL GetSoftwareVertexProcessing();
  HRESULT TestCooperativeLevel();

  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil);
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND overrideWindow, const void* dirtyRegion);
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentParameters);

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value);
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
  HRESULT GetLight(DWORD index, D3DLIGHT9* light);
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT GetLightEnable(DWORD index, BOOL* enable);
  HRESULT SetMaterial(const D3DMATERIAL9* material);
  HRESULT GetMaterial(D3DMATERIAL9* material);
  HRESULT SetViewport(const D3DVIEWPORT9* viewport);
  HRESULT GetViewport(D3DVIEWPORT9* viewport);

  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture);
  HRESULT SetFVF(DWORD fvf);
  HRESULT GetFVF(DWORD* fvf);
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** declaration);
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration);
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
  HRESULT SetIndices(IDirect3DIndexBuffer9* indices);

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertexCount,
                               UINT startIndex, UINT primitiveCount);
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT primitiveCount,
                                 const void* indices, D3DFORMAT indexFormat, const void* vertices, UINT stride);

  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                             HANDLE* shared);
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* shared);
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* shared);
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                    DWORD quality, BOOL discard, IDirect3DSurface9** surface, HANDLE* shared);
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface);
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface);

  // Layer-internal.
  IDirect3DDevice9(IDirect3D9* direct3d, std::unique_ptr<d3d9::DeviceImpl> impl);
  d3d9::DeviceImpl& Impl() { return *impl_; }

 private:
  ~IDirect3DDevice9() override;
  IDirect3D9* direct3d_;
  std::unique_ptr<d3d9::DeviceImpl> impl_;
};

class IDirect3D9 : public D3dUnknown {
 public:
  UINT GetAdapterCount() { return 1; }
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps);
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                       D3DPRESENT_PARAMETERS* presentParameters, IDirect3DDevice9** device);

  IDirect3D9() = default;
};

IDirect3D9* Direct3DCreate9(UINT sdkVersion);
