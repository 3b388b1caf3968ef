// IDirect3DDevice9: state setters and getters, drawing and resource creation.

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/D3d9.h"
#include "platform/d3d9/DeviceImpl.h"

namespace {

// Replaces a held reference, keeping the new object alive.
template <typename T>
void Assign(T*& slot, T* value) {
  if (slot == value) return;
  if (value != nullptr) value->AddRef();
  if (slot != nullptr) slot->Release();
  slot = value;
}

bool IsMatrixState(D3DTRANSFORMSTATETYPE state) {
  return state == D3DTS_VIEW || state == D3DTS_PROJECTION || (state >= D3DTS_WORLD && state <= D3DTS_WORLD3);
}

}  // namespace

IDirect3DDevice9::IDirect3DDevice9(IDirect3D9* direct3d, std::unique_ptr<d3d9::DeviceImpl> impl)
    : direct3d_(direct3d), impl_(std::move(impl)) {
  direct3d_->AddRef();
}

IDirect3DDevice9::~IDirect3DDevice9() {
  impl_->ReleaseEverything();
  impl_.reset();
  direct3d_->Release();
}

HRESULT IDirect3DDevice9::GetDirect3D(IDirect3D9** direct3d) {
  if (direct3d == nullptr) return D3DERR_INVALIDCALL;
  direct3d_->AddRef();
  *direct3d = direct3d_;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) {
  return direct3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, impl_->Type(), caps);
}

BOOL IDirect3DDevice9::GetSoftwareVertexProcessing() { return impl_->SoftwareVertexProcessing() ? TRUE : FALSE; }

HRESULT IDirect3DDevice9::TestCooperativeLevel() { return impl_->lost ? D3DERR_DEVICENOTRESET : D3D_OK; }

HRESULT IDirect3DDevice9::BeginScene() { return D3D_OK; }
HRESULT IDirect3DDevice9::EndScene() { return D3D_OK; }

HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                                DWORD stencil) {
  // Clearing a list of rectangles is not used; a list with entries clears nothing.
  if (count != 0 && rects != nullptr) return D3D_OK;
  impl_->Clear(flags, colour, z, stencil);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const void*) { return impl_->Present(); }

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* presentParameters) {
  if (presentParameters == nullptr) return D3DERR_INVALIDCALL;
  return impl_->Reset(this, *presentParameters);
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (state >= kD3dRenderStateCount) return D3DERR_INVALIDCALL;
  d3d9::DeviceImpl& d = *impl_;
  ++d.statistics.stateSets;
  if (d.renderStates[state] == value) {
    ++d.statistics.redundantStateSets;
    return D3D_OK;
  }
  d.renderStates[state] = value;
  switch (state) {
    case D3DRS_AMBIENT:
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHAREF:
      ++d.miscVersion;
      break;
    default:
      d.renderStatesDirty = true;
      break;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (state >= kD3dRenderStateCount || value == nullptr) return D3DERR_INVALIDCALL;
  *value = impl_->renderStates[state];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kD3dTextureStages || type >= kD3dTextureStageStateCount) return D3DERR_INVALIDCALL;
  d3d9::DeviceImpl& d = *impl_;
  ++d.statistics.stateSets;
  if (d.stageStates[stage][type] == value) ++d.statistics.redundantStateSets;
  d.stageStates[stage][type] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (stage >= kD3dTextureStages || type >= kD3dTextureStageStateCount || value == nullptr) return D3DERR_INVALIDCALL;
  *value = impl_->stageStates[stage][type];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kD3dSamplers || type >= kD3dSamplerStateCount) return D3DERR_INVALIDCALL;
  d3d9::DeviceImpl& d = *impl_;
  ++d.statistics.stateSets;
  if (d.samplerStates[sampler][type] == value) ++d.statistics.redundantStateSets;
  d.samplerStates[sampler][type] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (sampler >= kD3dSamplers || type >= kD3dSamplerStateCount || value == nullptr) return D3DERR_INVALIDCALL;
  *value = impl_->samplerStates[sampler][type];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (matrix == nullptr) return D3DERR_INVALIDCALL;
  if (!IsMatrixState(state)) return D3D_OK;  // texture transforms are not emulated
  d3d9::DeviceImpl& d = *impl_;
  D3DMATRIX* target = state == D3DTS_VIEW ? &d.view : state == D3DTS_PROJECTION ? &d.projection : &d.world[state - D3DTS_WORLD];
  if (std::memcmp(target, matrix, sizeof(D3DMATRIX)) == 0) return D3D_OK;
  *target = *matrix;
  ++d.transformVersion;
  // Lights live in world space and move into view space with the view.
  if (state == D3DTS_VIEW) ++d.lightVersion;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (matrix == nullptr || !IsMatrixState(state)) return D3DERR_INVALIDCALL;
  d3d9::DeviceImpl& d = *impl_;
  *matrix = state == D3DTS_VIEW ? d.view : state == D3DTS_PROJECTION ? d.projection : d.world[state - D3DTS_WORLD];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (index >= impl_->lights.size() || light == nullptr) return D3DERR_INVALIDCALL;
  impl_->lights[index] = *light;
  ++impl_->lightVersion;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetLight(DWORD index, D3DLIGHT9* light) {
  if (index >= impl_->lights.size() || light == nullptr) return D3DERR_INVALIDCALL;
  *light = impl_->lights[index];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::LightEnable(DWORD index, BOOL enable) {
  if (index >= impl_->lights.size()) return D3DERR_INVALIDCALL;
  if (impl_->lightEnabled[index] == (enable != FALSE)) return D3D_OK;
  impl_->lightEnabled[index] = enable != FALSE;
  ++impl_->lightVersion;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetLightEnable(DWORD index, BOOL* enable) {
  if (index >= impl_->lights.size() || enable == nullptr) return D3DERR_INVALIDCALL;
  *enable = impl_->lightEnabled[index] ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
  if (material == nullptr) return D3DERR_INVALIDCALL;
  if (std::memcmp(&impl_->material, material, sizeof(D3DMATERIAL9)) == 0) return D3D_OK;
  impl_->material = *material;
  ++impl_->materialVersion;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetMaterial(D3DMATERIAL9* material) {
  if (material == nullptr) return D3DERR_INVALIDCALL;
  *material = impl_->material;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* viewport) {
  if (viewport == nullptr) return D3DERR_INVALIDCALL;
  impl_->viewport = *viewport;
  impl_->framebufferDirty = true;
  ++impl_->miscVersion;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* viewport) {
  if (viewport == nullptr) return D3DERR_INVALIDCALL;
  *viewport = impl_->viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= kD3dTextureStages) return D3DERR_INVALIDCALL;
  if (impl_->textures[stage] == texture) return D3D_OK;  // bound already, so it was accepted
  // Scratch and system-memory textures cannot be drawn with.
  if (texture != nullptr && (texture->GetPool() == D3DPOOL_SCRATCH || texture->GetPool() == D3DPOOL_SYSTEMMEM)) {
    return D3DERR_INVALIDCALL;
  }
  Assign(impl_->textures[stage], texture);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (stage >= kD3dTextureStages || texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = impl_->textures[stage];
  if (*texture != nullptr) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
  d3d9::DeviceImpl& d = *impl_;
  if (d.declaration == nullptr && d.fvf == fvf) return D3D_OK;
  Assign(d.declaration, static_cast<IDirect3DVertexDeclaration9*>(nullptr));
  d.fvf = fvf;
  d.layoutDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) {
  if (fvf == nullptr) return D3DERR_INVALIDCALL;
  *fvf = impl_->declaration != nullptr ? 0 : impl_->fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                  IDirect3DVertexDeclaration9** declaration) {
  if (elements == nullptr || declaration == nullptr) return D3DERR_INVALIDCALL;
  *declaration = new IDirect3DVertexDeclaration9(elements);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  if (impl_->declaration == declaration) return D3D_OK;
  Assign(impl_->declaration, declaration);
  impl_->layoutDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
  if (stream != 0) return D3DERR_INVALIDCALL;
  Assign(impl_->streamBuffer, buffer);
  impl_->streamOffset = offset;
  impl_->streamStride = stride;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* indices) {
  Assign(impl_->indexBuffer, indices);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  d3d9::DeviceImpl& d = *impl_;
  const UINT count = d3d9::VertexCountOf(type, primitiveCount);
  if (count == 0 || d.streamBuffer == nullptr || d.streamBuffer->GlBuffer() == 0) return D3DERR_INVALIDCALL;
  if (!d.PrepareDraw(d.streamBuffer->GlBuffer(), d.streamOffset, d.streamStride)) return D3DERR_INVALIDCALL;
  if (d.submitDraws) glDrawArrays(d3d9::GlPrimitiveOf(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
  d.CountDraw();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                          UINT stride) {
  d3d9::DeviceImpl& d = *impl_;
  const UINT count = d3d9::VertexCountOf(type, primitiveCount);
  if (count == 0 || vertices == nullptr || stride == 0) return D3DERR_INVALIDCALL;
  const UINT first = d.StreamVertices(vertices, static_cast<std::size_t>(count) * stride, stride);
  if (!d.PrepareDraw(d.StreamVertexBuffer(), 0, stride)) return D3DERR_INVALIDCALL;
  if (d.submitDraws) glDrawArrays(d3d9::GlPrimitiveOf(type), static_cast<GLint>(first), static_cast<GLsizei>(count));
  // Like Direct3D, drawing from user memory unbinds stream 0.
  Assign(d.streamBuffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
  d.CountDraw();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT, UINT, UINT startIndex,
                                               UINT primitiveCount) {
  d3d9::DeviceImpl& d = *impl_;
  const UINT count = d3d9::VertexCountOf(type, primitiveCount);
  if (count == 0 || d.streamBuffer == nullptr || d.indexBuffer == nullptr || d.streamBuffer->GlBuffer() == 0 ||
      d.indexBuffer->GlBuffer() == 0) {
    return D3DERR_INVALIDCALL;
  }
  if (!d.PrepareDraw(d.streamBuffer->GlBuffer(), d.streamOffset, d.streamStride)) return D3DERR_INVALIDCALL;
  const bool wide = d.indexBuffer->Format() == D3DFMT_INDEX32;
  const std::size_t indexSize = wide ? 4 : 2;
  if ((static_cast<std::size_t>(startIndex) + count) * indexSize > d.indexBuffer->Length()) return D3DERR_INVALIDCALL;
  d.State().BindElementBuffer(d.indexBuffer->GlBuffer());
  if (d.submitDraws) {
    glDrawElementsBaseVertex(d3d9::GlPrimitiveOf(type), static_cast<GLsizei>(count),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * indexSize),
                             baseVertex);
  }
  d.CountDraw();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                                 UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                                 const void* vertices, UINT stride) {
  d3d9::DeviceImpl& d = *impl_;
  const UINT count = d3d9::VertexCountOf(type, primitiveCount);
  if (count == 0 || indices == nullptr || vertices == nullptr || stride == 0) return D3DERR_INVALIDCALL;
  const bool wide = indexFormat == D3DFMT_INDEX32;
  const std::size_t vertexBytes = static_cast<std::size_t>(minIndex + vertexCount) * stride;
  const UINT first = d.StreamVertices(vertices, vertexBytes, stride);
  const std::uintptr_t indexOffset = d.StreamIndices(indices, static_cast<std::size_t>(count) * (wide ? 4 : 2));
  if (!d.PrepareDraw(d.StreamVertexBuffer(), 0, stride)) return D3DERR_INVALIDCALL;
  d.State().BindElementBuffer(d.StreamIndexBuffer());
  if (d.submitDraws) {
    glDrawElementsBaseVertex(d3d9::GlPrimitiveOf(type), static_cast<GLsizei>(count),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(indexOffset),
                             static_cast<GLint>(first));
  }
  Assign(d.streamBuffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
  Assign(d.indexBuffer, static_cast<IDirect3DIndexBuffer9*>(nullptr));
  d.CountDraw();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, HANDLE*) {
  if (buffer == nullptr || length == 0) return D3DERR_INVALIDCALL;
  auto* created = new IDirect3DVertexBuffer9(this, length, usage, fvf, pool);
  if (!created->CreateGl()) {
    created->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *buffer = created;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer9** buffer, HANDLE*) {
  if (buffer == nullptr || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
    return D3DERR_INVALIDCALL;
  }
  auto* created = new IDirect3DIndexBuffer9(this, length, usage, format, pool);
  if (!created->CreateGl()) {
    created->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *buffer = created;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE*) {
  if (texture == nullptr || width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_RENDERTARGET) != 0 && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  auto* created = new IDirect3DTexture9(this, width, height, levels, usage, format, pool);
  if (!created->CreateGl()) {
    created->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *texture = created;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                    D3DMULTISAMPLE_TYPE multiSample, DWORD, BOOL,
                                                    IDirect3DSurface9** surface, HANDLE*) {
  if (surface == nullptr || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_D24S8 && format != D3DFMT_D16 && format != D3DFMT_D24X8) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  desc.Format = format;
  desc.Type = D3DRTYPE_SURFACE;
  desc.Usage = D3DUSAGE_DEPTHSTENCIL;
  desc.Pool = D3DPOOL_DEFAULT;
  desc.MultiSampleType = multiSample;
  desc.Width = width;
  desc.Height = height;
  auto* created = new IDirect3DSurface9(this, IDirect3DSurface9::Kind::DepthStencil, D3DPOOL_DEFAULT, desc);
  if (!created->CreateGl()) {
    created->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *surface = created;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (index != 0 || surface == nullptr) return D3DERR_INVALIDCALL;
  *surface = impl_->renderTarget;
  if (*surface == nullptr) return D3DERR_NOTFOUND;
  (*surface)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  if (index != 0 || surface == nullptr) return D3DERR_INVALIDCALL;
  const auto kind = surface->GetKind();
  if (kind != IDirect3DSurface9::Kind::BackBuffer &&
      (kind != IDirect3DSurface9::Kind::TextureLevel || (surface->Desc().Usage & D3DUSAGE_RENDERTARGET) == 0)) {
    return D3DERR_INVALIDCALL;
  }
  d3d9::DeviceImpl& d = *impl_;
  Assign(d.renderTarget, surface);
  // As in Direct3D, a new target resets the viewport to cover it.
  d.viewport = D3DVIEWPORT9{0, 0, surface->Desc().Width, surface->Desc().Height, 0.0f, 1.0f};
  d.framebufferDirty = true;
  ++d.miscVersion;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  if (surface == nullptr) return D3DERR_INVALIDCALL;
  *surface = impl_->depthStencil;
  if (*surface == nullptr) return D3DERR_NOTFOUND;
  (*surface)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  if (surface != nullptr && surface->GetKind() != IDirect3DSurface9::Kind::DepthStencil &&
      surface->GetKind() != IDirect3DSurface9::Kind::BackDepth) {
    return D3DERR_INVALIDCALL;
  }
  Assign(impl_->depthStencil, surface);
  impl_->framebufferDirty = true;
  impl_->renderStatesDirty = true;
  return D3D_OK;
}
