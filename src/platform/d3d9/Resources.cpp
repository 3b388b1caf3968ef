// Buffers, textures, surfaces and vertex declarations. Lockable resources
// keep a CPU copy that Lock hands out; Unlock sends the changed range to GL.

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/D3d9.h"
#include "platform/d3d9/DeviceImpl.h"

IDirect3DResource9::IDirect3DResource9(IDirect3DDevice9* device, D3DPOOL pool, bool deviceOwned)
    : device_(device), pool_(pool), counted_(pool == D3DPOOL_DEFAULT && !deviceOwned) {
  device_->Impl().RegisterResource(this, counted_);
}

IDirect3DResource9::~IDirect3DResource9() {
  if (device_ != nullptr) device_->Impl().UnregisterResource(this, counted_);
}

void IDirect3DResource9::Orphan() {
  ReleaseGl();
  device_ = nullptr;
}

HRESULT IDirect3DResource9::GetDevice(IDirect3DDevice9** device) {
  if (device == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *device = device_;
  return D3D_OK;
}

namespace {

bool HasGlObject(D3DPOOL pool) { return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED; }

HRESULT LockRange(std::vector<std::uint8_t>& data, bool* locked, UINT offset, UINT size, void** out, UINT* lockOffset,
                  UINT* lockSize) {
  if (out == nullptr || *locked || offset > data.size()) return D3DERR_INVALIDCALL;
  // A size of 0 locks the rest of the buffer.
  if (size == 0) size = static_cast<UINT>(data.size()) - offset;
  if (size > data.size() - offset) return D3DERR_INVALIDCALL;
  *locked = true;
  *lockOffset = offset;
  *lockSize = size;
  *out = data.data() + offset;
  return D3D_OK;
}

}  // namespace

// --- vertex buffers ---

IDirect3DVertexBuffer9::IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf,
                                               D3DPOOL pool)
    : IDirect3DResource9(device, pool), data_(length, 0), usage_(usage), fvf_(fvf) {}

IDirect3DVertexBuffer9::~IDirect3DVertexBuffer9() {
  if (device_ != nullptr) ReleaseGl();
}

void IDirect3DVertexBuffer9::ReleaseGl() {
  if (buffer_ == 0) return;
  device_->Impl().ForgetBuffer(buffer_);
  glDeleteBuffers(1, &buffer_);
  buffer_ = 0;
}

bool IDirect3DVertexBuffer9::CreateGl() {
  if (!HasGlObject(pool_) || device_ == nullptr) return true;
  glGenBuffers(1, &buffer_);
  device_->Impl().State().BindArrayBuffer(buffer_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data_.size()), data_.data(),
               (usage_ & D3DUSAGE_DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  return glGetError() == GL_NO_ERROR;
}

HRESULT IDirect3DVertexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  lockDiscard_ = (flags & D3DLOCK_DISCARD) != 0;
  return LockRange(data_, &locked_, offset, size, data, &lockOffset_, &lockSize_);
}

HRESULT IDirect3DVertexBuffer9::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (buffer_ == 0 || device_ == nullptr) return D3D_OK;
  device_->Impl().State().BindArrayBuffer(buffer_);
  if (lockDiscard_) {
    // Orphan the old storage so the GPU may still read it.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data_.size()), data_.data(),
                 (usage_ & D3DUSAGE_DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  } else {
    glBufferSubData(GL_ARRAY_BUFFER, lockOffset_, lockSize_, data_.data() + lockOffset_);
  }
  return D3D_OK;
}

HRESULT IDirect3DVertexBuffer9::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage_, pool_, Length(), fvf_};
  return D3D_OK;
}

// --- index buffers ---

IDirect3DIndexBuffer9::IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
    : IDirect3DResource9(device, pool), data_(length, 0), usage_(usage), format_(format) {}

IDirect3DIndexBuffer9::~IDirect3DIndexBuffer9() {
  if (device_ != nullptr) ReleaseGl();
}

void IDirect3DIndexBuffer9::ReleaseGl() {
  if (buffer_ == 0) return;
  device_->Impl().ForgetBuffer(buffer_);
  glDeleteBuffers(1, &buffer_);
  buffer_ = 0;
}

bool IDirect3DIndexBuffer9::CreateGl() {
  if (!HasGlObject(pool_)) return true;
  glGenBuffers(1, &buffer_);
  device_->Impl().State().BindElementBuffer(buffer_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(data_.size()), data_.data(), GL_STATIC_DRAW);
  return glGetError() == GL_NO_ERROR;
}

HRESULT IDirect3DIndexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD) {
  return LockRange(data_, &locked_, offset, size, data, &lockOffset_, &lockSize_);
}

HRESULT IDirect3DIndexBuffer9::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (buffer_ == 0 || device_ == nullptr) return D3D_OK;
  device_->Impl().State().BindElementBuffer(buffer_);
  glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, lockOffset_, lockSize_, data_.data() + lockOffset_);
  return D3D_OK;
}

HRESULT IDirect3DIndexBuffer9::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = D3DINDEXBUFFER_DESC{format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, Length()};
  return D3D_OK;
}

// --- textures ---

IDirect3DTexture9::IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(device, pool), usage_(usage), format_(format) {
  // 0 levels means the whole chain down to 1x1; render targets have one.
  UINT full = 1;
  for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(w / 2, 1u), h = std::max(h / 2, 1u)) ++full;
  UINT count = levels == 0 ? full : std::min(levels, full);
  if ((usage & D3DUSAGE_RENDERTARGET) != 0) count = 1;
  const bool lockable = (usage & D3DUSAGE_RENDERTARGET) == 0;
  UINT w = width;
  UINT h = height;
  for (UINT i = 0; i < count; ++i) {
    Level level{w, h, {}};
    if (lockable) level.data.assign(static_cast<std::size_t>(w) * h * 4, 0);
    levels_.push_back(std::move(level));
    w = std::max(w / 2, 1u);
    h = std::max(h / 2, 1u);
  }
  locked_.assign(count, false);
}

IDirect3DTexture9::~IDirect3DTexture9() {
  if (device_ != nullptr) ReleaseGl();
}

void IDirect3DTexture9::ReleaseGl() {
  if (texture_ == 0) return;
  device_->Impl().ForgetTexture(texture_);
  glDeleteTextures(1, &texture_);
  texture_ = 0;
}

bool IDirect3DTexture9::CreateGl() {
  if (!HasGlObject(pool_)) return true;
  glGenTextures(1, &texture_);
  d3d9::GlStateCache& state = device_->Impl().State();
  state.BindTexture(0, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_.size()) - 1);
  for (UINT i = 0; i < levels_.size(); ++i) {
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, static_cast<GLsizei>(levels_[i].width),
                 static_cast<GLsizei>(levels_[i].height), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  }
  for (UINT i = 0; i < levels_.size(); ++i) {
    if (!levels_[i].data.empty()) Upload(i);
  }
  return glGetError() == GL_NO_ERROR;
}

void IDirect3DTexture9::Upload(UINT level) {
  if (texture_ == 0 || device_ == nullptr || level >= levels_.size() || levels_[level].data.empty()) return;
  const Level& l = levels_[level];
  device_->Impl().State().BindTexture(0, texture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (format_ == D3DFMT_X8R8G8B8) {
    // The unused byte of X8R8G8B8 reads as opaque.
    std::vector<std::uint8_t> opaque(l.data);
    for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 0xFF;
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(l.width),
                    static_cast<GLsizei>(l.height), GL_BGRA, GL_UNSIGNED_BYTE, opaque.data());
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(l.width),
                    static_cast<GLsizei>(l.height), GL_BGRA, GL_UNSIGNED_BYTE, l.data.data());
  }
}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (desc == nullptr || level >= levels_.size()) return D3DERR_INVALIDCALL;
  *desc = D3DSURFACE_DESC{format_, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0, levels_[level].width,
                          levels_[level].height};
  return D3D_OK;
}

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (surface == nullptr || level >= levels_.size()) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  GetLevelDesc(level, &desc);
  // The surface keeps its texture alive; it is not a resource of its own pool.
  auto* created = new IDirect3DSurface9(device_, IDirect3DSurface9::Kind::TextureLevel, D3DPOOL_SCRATCH, desc);
  created->AttachToTexture(this, level);
  *surface = created;
  return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD) {
  if (lockedRect == nullptr || level >= levels_.size() || levels_[level].data.empty() || locked_[level]) {
    return D3DERR_INVALIDCALL;
  }
  Level& l = levels_[level];
  LONG left = 0;
  LONG top = 0;
  if (rect != nullptr) {
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(l.width) ||
        rect->bottom > static_cast<LONG>(l.height) || rect->left >= rect->right || rect->top >= rect->bottom) {
      return D3DERR_INVALIDCALL;
    }
    left = rect->left;
    top = rect->top;
  }
  locked_[level] = true;
  lockedRect->Pitch = static_cast<INT>(l.width * 4);
  lockedRect->pBits = l.data.data() + (static_cast<std::size_t>(top) * l.width + static_cast<std::size_t>(left)) * 4;
  return D3D_OK;
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) {
  if (level >= levels_.size() || !locked_[level]) return D3DERR_INVALIDCALL;
  locked_[level] = false;
  Upload(level);
  return D3D_OK;
}

// --- surfaces ---

IDirect3DSurface9::IDirect3DSurface9(IDirect3DDevice9* device, Kind kind, D3DPOOL pool, D3DSURFACE_DESC desc)
    : IDirect3DResource9(device, pool, kind == Kind::BackBuffer || kind == Kind::BackDepth), kind_(kind), desc_(desc) {}

IDirect3DSurface9::~IDirect3DSurface9() {
  if (device_ != nullptr) ReleaseGl();
  if (owner_ != nullptr) owner_->Release();
}

void IDirect3DSurface9::ReleaseGl() {
  if (renderbuffer_ == 0) return;
  glDeleteRenderbuffers(1, &renderbuffer_);
  renderbuffer_ = 0;
}

void IDirect3DSurface9::AttachToTexture(IDirect3DTexture9* owner, UINT level) {
  owner->AddRef();
  owner_ = owner;
  level_ = level;
}

bool IDirect3DSurface9::CreateGl() {
  if (kind_ != Kind::DepthStencil) return true;
  glGenRenderbuffers(1, &renderbuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
  const GLenum internal = desc_.Format == D3DFMT_D24S8 ? GL_DEPTH24_STENCIL8
                          : desc_.Format == D3DFMT_D16 ? GL_DEPTH_COMPONENT16
                                                       : GL_DEPTH_COMPONENT24;
  glRenderbufferStorage(GL_RENDERBUFFER, internal, static_cast<GLsizei>(desc_.Width), static_cast<GLsizei>(desc_.Height));
  return glGetError() == GL_NO_ERROR;
}

HRESULT IDirect3DSurface9::GetDesc(D3DSURFACE_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

HRESULT IDirect3DSurface9::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  if (owner_ == nullptr) return D3DERR_INVALIDCALL;
  return owner_->LockRect(level_, lockedRect, rect, flags);
}

HRESULT IDirect3DSurface9::UnlockRect() {
  if (owner_ == nullptr) return D3DERR_INVALIDCALL;
  return owner_->UnlockRect(level_);
}

// --- vertex declarations ---

IDirect3DVertexDeclaration9::IDirect3DVertexDeclaration9(const D3DVERTEXELEMENT9* elements) {
  for (int i = 0; i < MAXD3DDECLLENGTH && elements[i].Stream != 0xFF; ++i) elements_.push_back(elements[i]);
}

HRESULT IDirect3DVertexDeclaration9::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) {
  if (count == nullptr) return D3DERR_INVALIDCALL;
  const UINT needed = static_cast<UINT>(elements_.size()) + 1;
  if (elements == nullptr) {
    *count = needed;
    return D3D_OK;
  }
  std::copy(elements_.begin(), elements_.end(), elements);
  elements[elements_.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
  *count = needed;
  return D3D_OK;
}
