#pragma once
// D3DX effects on GLSL: parameters, samplers, techniques and passes read
// from the layer's own effect text format (described in EffectSource.h), each
// pass drawn with a GL program handed to the device.
//
// Parameters reach GL only when their value changed since a program last
// received them (BeginPass and CommitChanges upload). Textures are bound
// through the device (SetTexture and SetSamplerState on the sampler's unit),
// so the device binds them at draw time. Matrices keep the D3DX layout (row
// vectors); shaders multiply "M * v", which applies them as "v * M".

#include <memory>

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

// Opaque handles; the name of a parameter or technique is accepted as well.
using D3DXHANDLE = const char*;

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};

constexpr DWORD D3DXSHADER_SKIPVALIDATION = 2;

// Begin flags: by default Begin saves every device state the technique's
// passes change and End restores it.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 1;
constexpr DWORD D3DXFX_DONOTSAVESHADERSTATE = 2;
constexpr DWORD D3DXFX_DONOTSAVESAMPLERSTATE = 4;

// A block of bytes (compiler messages), zero-terminated beyond its size.
class ID3DXBuffer : public D3dUnknown {
 public:
  LPVOID GetBufferPointer();
  DWORD GetBufferSize();

  // Layer-internal.
  ID3DXBuffer(const void* data, DWORD size);

 private:
  std::unique_ptr<char[]> data_;
  DWORD size_;
};

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** buffer);

namespace d3dx {
class Effect;
}

class ID3DXEffect : public D3dUnknown {
 public:
  // Parameters by name, array elements too ("g_MatWorld[0]"); parent must be null.
  D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name);
  D3DXHANDLE GetTechniqueByName(LPCSTR name);

  // Setting a handle of an array sets from that element on. Values are
  // converted between float and int; a float3 takes the first three floats
  // of a vector. Setting a value that is already there changes nothing.
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix);
  HRESULT SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix);
  HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes);
  HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes);
  HRESULT SetInt(D3DXHANDLE parameter, INT value);
  HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value);
  HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector);
  HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count);
  // The effect holds a reference to the texture while it is set.
  HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture);

  HRESULT SetTechnique(D3DXHANDLE technique);
  D3DXHANDLE GetCurrentTechnique();

  HRESULT Begin(UINT* passes, DWORD flags);
  HRESULT BeginPass(UINT pass);
  HRESULT CommitChanges();
  HRESULT EndPass();
  HRESULT End();

  // GL programs survive a reset: these only check the calling order (no
  // Begin while lost) and make the next passes upload every parameter again.
  HRESULT OnLostDevice();
  HRESULT OnResetDevice();

  HRESULT GetDevice(IDirect3DDevice9** device);

  // Layer-internal.
  explicit ID3DXEffect(std::unique_ptr<d3dx::Effect> effect);
  d3dx::Effect& Impl() { return *effect_; }

 private:
  ~ID3DXEffect() override;
  std::unique_ptr<d3dx::Effect> effect_;
};

// Creates an effect from its source text. defines: null or an array ended
// by a null name. include, pool: must be null (not supported). On a parse,
// compile or link failure returns an error and, when errors is not null, a
// buffer with the message (with the technique and pass, and the GLSL log).
HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID source, UINT sourceLength, const D3DXMACRO* defines,
                         void* include, DWORD flags, void* pool, ID3DXEffect** effect, ID3DXBuffer** errors);

// The same from an RCDATA resource of the executable (platform/win32/Resources.h).
HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                      const D3DXMACRO* defines, void* include, DWORD flags, void* pool,
                                      ID3DXEffect** effect, ID3DXBuffer** errors);
