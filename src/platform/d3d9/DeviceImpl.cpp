#include "platform/d3d9/DeviceImpl.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d9 {
namespace {

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

// The 3x3 matrix that carries normals through a row-vector matrix: the
// inverse transpose of its upper 3x3, laid out for GLSL (column-major).
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
  const float a = m._11, b = m._12, c = m._13;
  const float d = m._21, e = m._22, f = m._23;
  const float g = m._31, h = m._32, i = m._33;
  const float c00 = e * i - f * h, c01 = -(d * i - f * g), c02 = d * h - e * g;
  const float c10 = -(b * i - c * h), c11 = a * i - c * g, c12 = -(a * h - b * g);
  const float c20 = b * f - c * e, c21 = -(a * f - c * d), c22 = a * e - b * d;
  float det = a * c00 + b * c01 + c * c02;
  if (std::fabs(det) < 1e-20f) det = 1.0f;
  const float s = 1.0f / det;
  // inverse(M)^T = cofactor(M) / det. A row vector n transforms as n * N where
  // N = inverse(M)^T; GLSL computes G * n with G = N^T, stored column by column:
  // column k of G is row k of N.
  const float n[3][3] = {{c00 * s, c01 * s, c02 * s}, {c10 * s, c11 * s, c12 * s}, {c20 * s, c21 * s, c22 * s}};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) out[row * 3 + col] = n[row][col];
  }
}

unsigned GlCompare(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

unsigned GlBlend(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

unsigned GlBlendOp(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

unsigned GlStencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

unsigned GlAddress(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
  }
}

constexpr std::size_t kStreamBufferSize = 4u << 20;

}  // namespace

DeviceImpl::DeviceImpl(SDL_Window* window, void* context, const D3DPRESENT_PARAMETERS& parameters,
                       bool softwareVertexProcessing, D3DDEVTYPE type)
    : window_(window),
      context_(context),
      parameters_(parameters),
      softwareVertexProcessing_(softwareVertexProcessing),
      type_(type) {}

DeviceImpl::~DeviceImpl() {
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  fixedFunction_.Release();
  for (unsigned sampler : samplerObjects_) {
    if (sampler != 0) glDeleteSamplers(1, &sampler);
  }
  ReleaseBackBuffer();
  if (targetFramebuffer_ != 0) glDeleteFramebuffers(1, &targetFramebuffer_);
  if (whiteTexture_ != 0) glDeleteTextures(1, &whiteTexture_);
  if (streamVertexBuffer_ != 0) glDeleteBuffers(1, &streamVertexBuffer_);
  if (streamIndexBuffer_ != 0) glDeleteBuffers(1, &streamIndexBuffer_);
  if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
}

bool DeviceImpl::Initialise(IDirect3DDevice9* owner) {
  state_.Invalidate();
  glGenVertexArrays(1, &vertexArray_);
  glBindVertexArray(vertexArray_);
  glGenBuffers(1, &streamVertexBuffer_);
  glGenBuffers(1, &streamIndexBuffer_);
  glGenFramebuffers(1, &targetFramebuffer_);
  glGenSamplers(static_cast<GLsizei>(samplerObjects_.size()), samplerObjects_.data());
  for (auto& states : samplerObjectStates_) states.fill(~0u);

  // Stages without a texture sample opaque white, as Direct3D's do.
  const std::uint32_t white = 0xFFFFFFFFu;
  glGenTextures(1, &whiteTexture_);
  state_.BindTexture(0, whiteTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);

  if (!CreateBackBuffer(owner)) return false;
  ResetStates();
  return glGetError() == GL_NO_ERROR;
}

bool DeviceImpl::CreateBackBuffer(IDirect3DDevice9* owner) {
  const GLsizei width = static_cast<GLsizei>(std::max(parameters_.BackBufferWidth, 1u));
  const GLsizei height = static_cast<GLsizei>(std::max(parameters_.BackBufferHeight, 1u));
  const GLsizei samples = static_cast<GLsizei>(parameters_.MultiSampleType);

  glGenFramebuffers(1, &backFramebuffer_);
  state_.BindFramebuffer(backFramebuffer_);
  glGenRenderbuffers(1, &backColour_);
  glBindRenderbuffer(GL_RENDERBUFFER, backColour_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backColour_);
  if (parameters_.EnableAutoDepthStencil) {
    const D3DFORMAT format = parameters_.AutoDepthStencilFormat;
    const bool stencil = format == D3DFMT_D24S8;
    const GLenum internal = stencil ? GL_DEPTH24_STENCIL8 : format == D3DFMT_D16 ? GL_DEPTH_COMPONENT16 : GL_DEPTH_COMPONENT24;
    glGenRenderbuffers(1, &backDepth_);
    glBindRenderbuffer(GL_RENDERBUFFER, backDepth_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, internal, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                              GL_RENDERBUFFER, backDepth_);
  }
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE || glGetError() != GL_NO_ERROR) {
    ReleaseBackBuffer();
    return false;
  }

  D3DSURFACE_DESC colour{};
  colour.Format = parameters_.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : parameters_.BackBufferFormat;
  colour.Type = D3DRTYPE_SURFACE;
  colour.Usage = D3DUSAGE_RENDERTARGET;
  colour.Pool = D3DPOOL_DEFAULT;
  colour.MultiSampleType = parameters_.MultiSampleType;
  colour.Width = static_cast<UINT>(width);
  colour.Height = static_cast<UINT>(height);
  backBufferSurface_ = new IDirect3DSurface9(owner, IDirect3DSurface9::Kind::BackBuffer, D3DPOOL_DEFAULT, colour);
  if (parameters_.EnableAutoDepthStencil) {
    D3DSURFACE_DESC depth = colour;
    depth.Format = parameters_.AutoDepthStencilFormat;
    depth.Usage = D3DUSAGE_DEPTHSTENCIL;
    backDepthSurface_ = new IDirect3DSurface9(owner, IDirect3DSurface9::Kind::BackDepth, D3DPOOL_DEFAULT, depth);
  }
  return true;
}

void DeviceImpl::ReleaseBackBuffer() {
  if (backFramebuffer_ != 0) {
    state_.ForgetFramebuffer(backFramebuffer_);
    glDeleteFramebuffers(1, &backFramebuffer_);
  }
  if (backColour_ != 0) glDeleteRenderbuffers(1, &backColour_);
  if (backDepth_ != 0) glDeleteRenderbuffers(1, &backDepth_);
  backFramebuffer_ = backColour_ = backDepth_ = 0;
}

bool DeviceImpl::HasStencil() const {
  if (depthStencil == nullptr) return false;
  return depthStencil->Desc().Format == D3DFMT_D24S8;
}

void DeviceImpl::TargetSize(UINT* width, UINT* height) const {
  *width = renderTarget != nullptr ? renderTarget->Desc().Width : parameters_.BackBufferWidth;
  *height = renderTarget != nullptr ? renderTarget->Desc().Height : parameters_.BackBufferHeight;
}

void DeviceImpl::ResetStates() {
  renderStates.fill(0);
  auto& rs = renderStates;
  rs[D3DRS_ZENABLE] = parameters_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = 2;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGEND] = FloatToRenderState(1.0f);
  rs[D3DRS_FOGDENSITY] = FloatToRenderState(1.0f);
  rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
  rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_POINTSIZE] = FloatToRenderState(1.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  for (DWORD stage = 0; stage < kD3dTextureStages; ++stage) {
    auto& ts = stageStates[stage];
    ts.fill(0);
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = stage;
  }
  for (auto& ss : samplerStates) {
    ss.fill(0);
    ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DSAMP_MAXANISOTROPY] = 1;
  }
  world.fill(Identity());
  view = Identity();
  projection = Identity();
  for (auto& light : lights) {
    light = D3DLIGHT9{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
  }
  lightEnabled.fill(false);
  material = D3DMATERIAL9{};
  ReleaseBindings();
  fvf = 0;
  streamOffset = streamStride = 0;
  renderTarget = backBufferSurface_;
  if (renderTarget != nullptr) renderTarget->AddRef();
  depthStencil = backDepthSurface_;
  if (depthStencil != nullptr) depthStencil->AddRef();
  viewport = D3DVIEWPORT9{0, 0, parameters_.BackBufferWidth, parameters_.BackBufferHeight, 0.0f, 1.0f};

  ++transformVersion;
  ++lightVersion;
  ++materialVersion;
  ++miscVersion;
  renderStatesDirty = framebufferDirty = layoutDirty = true;
  programOverride_ = ProgramOverride{};
}

void DeviceImpl::ReleaseBindings() {
  const auto drop = [](auto*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
  };
  for (auto*& texture : textures) drop(texture);
  drop(declaration);
  drop(streamBuffer);
  drop(indexBuffer);
  drop(renderTarget);
  drop(depthStencil);
}

void DeviceImpl::RegisterResource(IDirect3DResource9* resource, bool countsAgainstReset) {
  resources_.push_back(resource);
  if (countsAgainstReset) ++defaultPoolResources_;
}

void DeviceImpl::UnregisterResource(IDirect3DResource9* resource, bool countsAgainstReset) {
  const auto found = std::find(resources_.begin(), resources_.end(), resource);
  if (found != resources_.end()) resources_.erase(found);
  if (countsAgainstReset) --defaultPoolResources_;
}

void DeviceImpl::ForgetBuffer(unsigned buffer) {
  state_.ForgetBuffer(buffer);
  if (boundBuffer_ == buffer) boundBuffer_ = ~0u;
}

void DeviceImpl::ReleaseEverything() {
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  ReleaseBindings();
  if (backBufferSurface_ != nullptr) backBufferSurface_->Release();
  if (backDepthSurface_ != nullptr) backDepthSurface_->Release();
  backBufferSurface_ = backDepthSurface_ = nullptr;
  // What the application still holds outlives the device without GL objects.
  const std::vector<IDirect3DResource9*> orphans = resources_;
  resources_.clear();
  for (IDirect3DResource9* resource : orphans) resource->Orphan();
}

void DeviceImpl::ApplyFramebuffer() {
  if (!framebufferDirty) return;
  framebufferDirty = false;
  const bool backTarget = renderTarget == nullptr || renderTarget->GetKind() == IDirect3DSurface9::Kind::BackBuffer;
  const bool backDepth = depthStencil == nullptr || depthStencil->GetKind() == IDirect3DSurface9::Kind::BackDepth;
  if (backTarget && backDepth) {
    state_.BindFramebuffer(backFramebuffer_);
  } else {
    state_.BindFramebuffer(targetFramebuffer_);
    unsigned colourTexture = 0;
    if (renderTarget != nullptr && renderTarget->Owner() != nullptr) colourTexture = renderTarget->Owner()->GlTexture();
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture,
                           renderTarget != nullptr ? static_cast<GLint>(renderTarget->Level()) : 0);
    unsigned depthBuffer = 0;
    bool stencil = false;
    if (depthStencil != nullptr) {
      depthBuffer = depthStencil->GetKind() == IDirect3DSurface9::Kind::BackDepth ? backDepth_
                                                                                 : depthStencil->GlRenderbuffer();
      stencil = depthStencil->Desc().Format == D3DFMT_D24S8;
    }
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                              GL_RENDERBUFFER, depthBuffer);
  }
  // Targets are stored top-down, so a viewport's top row is its GL y.
  state_.Viewport(static_cast<int>(viewport.X), static_cast<int>(viewport.Y), static_cast<int>(viewport.Width),
                  static_cast<int>(viewport.Height));
  glDepthRange(viewport.MinZ, viewport.MaxZ);
}

void DeviceImpl::ApplyRenderStates() {
  if (!renderStatesDirty) return;
  renderStatesDirty = false;
  const auto& rs = renderStates;
  state_.Enable(GL_DEPTH_TEST, rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthStencil != nullptr);
  state_.DepthFunc(GlCompare(rs[D3DRS_ZFUNC]));
  state_.DepthMask(rs[D3DRS_ZWRITEENABLE] != FALSE);

  // Direct3D's front faces are clockwise on screen: with top-down targets
  // they are GL's counter-clockwise ones.
  const DWORD cull = rs[D3DRS_CULLMODE];
  state_.Enable(GL_CULL_FACE, cull != D3DCULL_NONE);
  if (cull != D3DCULL_NONE) state_.CullFace(cull == D3DCULL_CCW ? GL_BACK : GL_FRONT);

  const bool blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
  state_.Enable(GL_BLEND, blend);
  if (blend) {
    const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
    const unsigned src = GlBlend(rs[D3DRS_SRCBLEND]);
    const unsigned dst = GlBlend(rs[D3DRS_DESTBLEND]);
    state_.BlendFunc(src, dst, separate ? GlBlend(rs[D3DRS_SRCBLENDALPHA]) : src,
                     separate ? GlBlend(rs[D3DRS_DESTBLENDALPHA]) : dst);
    const unsigned op = GlBlendOp(rs[D3DRS_BLENDOP]);
    state_.BlendEquation(op, separate ? GlBlendOp(rs[D3DRS_BLENDOPALPHA]) : op);
  }

  const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
  state_.ColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);

  const bool stencil = rs[D3DRS_STENCILENABLE] != FALSE && HasStencil();
  state_.Enable(GL_STENCIL_TEST, stencil);
  if (stencil) {
    StencilFace face;
    face.func = GlCompare(rs[D3DRS_STENCILFUNC]);
    face.ref = static_cast<int>(rs[D3DRS_STENCILREF] & 0xFF);
    face.readMask = rs[D3DRS_STENCILMASK];
    face.fail = GlStencilOp(rs[D3DRS_STENCILFAIL]);
    face.depthFail = GlStencilOp(rs[D3DRS_STENCILZFAIL]);
    face.pass = GlStencilOp(rs[D3DRS_STENCILPASS]);
    state_.Stencil(face);
    state_.StencilWriteMask(rs[D3DRS_STENCILWRITEMASK]);
  }

  // The constant depth bias is added in the vertex stage (d3d_DepthBias,
  // see kClipFixGlsl): a software rasteriser compiles its triangle setup
  // per polygon-offset value, and callers that give every draw its own bias
  // would recompile on every draw. Only the slope-scaled part, which needs
  // the triangle's slope, is left to GL's polygon offset.
  const float slope = RenderStateToFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
  const bool offset = slope != 0.0f;
  state_.Enable(GL_POLYGON_OFFSET_FILL, offset);
  state_.Enable(GL_POLYGON_OFFSET_LINE, offset);
  if (offset) state_.PolygonOffset(slope, 0.0f);
  state_.PolygonMode(rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                     : rs[D3DRS_FILLMODE] == D3DFILL_POINT   ? GL_POINT
                                                             : GL_FILL);
  state_.Enable(GL_SCISSOR_TEST, false);
}

unsigned DeviceImpl::SamplerFor(DWORD stage) {
  const unsigned sampler = samplerObjects_[stage];
  auto& current = samplerObjectStates_[stage];
  const auto& wanted = samplerStates[stage];
  if (current == wanted) return sampler;
  const DWORD mip = wanted[D3DSAMP_MIPFILTER];
  const bool linearMin = wanted[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
  GLenum minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
  if (mip == D3DTEXF_POINT) minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  if (mip >= D3DTEXF_LINEAR) minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, wanted[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, static_cast<GLint>(GlAddress(wanted[D3DSAMP_ADDRESSU])));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, static_cast<GLint>(GlAddress(wanted[D3DSAMP_ADDRESSV])));
  const DWORD border = wanted[D3DSAMP_BORDERCOLOR];
  const float borderColour[4] = {((border >> 16) & 0xFF) / 255.0f, ((border >> 8) & 0xFF) / 255.0f,
                                 (border & 0xFF) / 255.0f, ((border >> 24) & 0xFF) / 255.0f};
  glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColour);
  current = wanted;
  state_.CountChange();
  return sampler;
}

void DeviceImpl::ApplyTextures() {
  for (DWORD stage = 0; stage < kD3dTextureStages; ++stage) {
    IDirect3DBaseTexture9* texture = textures[stage];
    const unsigned name = texture != nullptr && texture->GlTexture() != 0 ? texture->GlTexture() : whiteTexture_;
    state_.BindTexture(stage, name);
    state_.BindSampler(stage, SamplerFor(stage));
  }
}

bool DeviceImpl::ApplyLayout(unsigned vertexBuffer, std::uintptr_t baseOffset, UINT stride) {
  if (layoutDirty) {
    layoutDirty = false;
    layoutValid_ = declaration != nullptr
                       ? LayoutFromDeclaration(declaration->Elements().data(), declaration->Elements().size(), &layout_)
                       : LayoutFromFvf(fvf, &layout_);
  }
  if (!layoutValid_) return false;
  if (stride == 0) stride = layout_.stride;
  if (vertexBuffer == boundBuffer_ && baseOffset == boundOffset_ && stride == boundStride_ && layout_ == boundLayout_) {
    return true;
  }
  state_.BindArrayBuffer(vertexBuffer);
  for (unsigned index = 0; index < kAttribCount; ++index) {
    const AttributeFormat& f = layout_.attributes[index];
    if (f.present != arrayEnabled_[index]) {
      if (f.present) {
        glEnableVertexAttribArray(index);
      } else {
        glDisableVertexAttribArray(index);
      }
      arrayEnabled_[index] = f.present;
    }
    if (!f.present) continue;
    const void* pointer = reinterpret_cast<const void*>(baseOffset + f.offset);
    const GLint size = f.bgra ? GL_BGRA : f.components;
    glVertexAttribPointer(index, size, f.glType, f.normalized ? GL_TRUE : GL_FALSE, static_cast<GLsizei>(stride),
                          pointer);
  }
  // Attributes the vertex lacks read Direct3D's defaults.
  if (!layout_.Has(kAttribColor0)) glVertexAttrib4f(kAttribColor0, 1.0f, 1.0f, 1.0f, 1.0f);
  if (!layout_.Has(kAttribColor1)) glVertexAttrib4f(kAttribColor1, 0.0f, 0.0f, 0.0f, 0.0f);
  if (!layout_.Has(kAttribBlendWeight)) glVertexAttrib4f(kAttribBlendWeight, 0.0f, 0.0f, 0.0f, 0.0f);
  boundBuffer_ = vertexBuffer;
  boundOffset_ = baseOffset;
  boundStride_ = stride;
  boundLayout_ = layout_;
  return true;
}

bool DeviceImpl::ApplyFixedFunctionProgram() {
  const auto& rs = renderStates;
  FixedFunctionKey key;
  key.pretransformed = layout_.pretransformed ? 1 : 0;
  key.hasNormal = layout_.Has(kAttribNormal) ? 1 : 0;
  key.hasColor0 = layout_.Has(kAttribColor0) ? 1 : 0;
  key.hasColor1 = layout_.Has(kAttribColor1) ? 1 : 0;
  key.texCoordCount = static_cast<std::uint8_t>(std::min(layout_.texCoordCount, 4));
  if (!layout_.pretransformed) {
    const DWORD blend = rs[D3DRS_VERTEXBLEND];
    if (blend >= D3DVBF_1WEIGHTS && blend <= D3DVBF_3WEIGHTS) key.blendMatrices = static_cast<std::uint8_t>(blend + 1);
    key.lighting = rs[D3DRS_LIGHTING] != FALSE ? 1 : 0;
    key.fog = rs[D3DRS_FOGENABLE] != FALSE && rs[D3DRS_FOGVERTEXMODE] == D3DFOG_LINEAR &&
                      rs[D3DRS_FOGTABLEMODE] == D3DFOG_NONE
                  ? 1
                  : 0;
    key.rangeFog = key.fog && rs[D3DRS_RANGEFOGENABLE] != FALSE ? 1 : 0;
  }
  key.specular = rs[D3DRS_SPECULARENABLE] != FALSE ? 1 : 0;
  if (key.lighting) {
    key.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE ? 1 : 0;
    key.localViewer = rs[D3DRS_LOCALVIEWER] != FALSE ? 1 : 0;
    const bool colourVertex = rs[D3DRS_COLORVERTEX] != FALSE;
    key.diffuseSource = static_cast<std::uint8_t>(colourVertex ? rs[D3DRS_DIFFUSEMATERIALSOURCE] : 0);
    key.ambientSource = static_cast<std::uint8_t>(colourVertex ? rs[D3DRS_AMBIENTMATERIALSOURCE] : 0);
    key.specularSource = static_cast<std::uint8_t>(colourVertex ? rs[D3DRS_SPECULARMATERIALSOURCE] : 0);
    key.emissiveSource = static_cast<std::uint8_t>(colourVertex ? rs[D3DRS_EMISSIVEMATERIALSOURCE] : 0);
    for (std::size_t i = 0; i < lights.size(); ++i) {
      if (!lightEnabled[i]) continue;
      key.lightTypes[key.lightCount++] = static_cast<std::uint8_t>(lights[i].Type);
    }
  }
  if (rs[D3DRS_ALPHATESTENABLE] != FALSE) key.alphaFunc = static_cast<std::uint8_t>(rs[D3DRS_ALPHAFUNC]);
  for (int stage = 0; stage < kFixedStages; ++stage) {
    const auto& ts = stageStates[static_cast<std::size_t>(stage)];
    FixedFunctionKey::Stage& s = key.stages[static_cast<std::size_t>(stage)];
    s.colorOp = static_cast<std::uint8_t>(ts[D3DTSS_COLOROP]);
    if (s.colorOp == D3DTOP_DISABLE) break;
    s.colorArg1 = static_cast<std::uint8_t>(ts[D3DTSS_COLORARG1]);
    s.colorArg2 = static_cast<std::uint8_t>(ts[D3DTSS_COLORARG2]);
    s.alphaOp = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAOP]);
    s.alphaArg1 = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG1]);
    s.alphaArg2 = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG2]);
    s.texCoordIndex = static_cast<std::uint8_t>(ts[D3DTSS_TEXCOORDINDEX] & 7);
    s.hasTexture = textures[static_cast<std::size_t>(stage)] != nullptr ? 1 : 0;
  }
  FixedFunctionProgram* program = fixedFunction_.Get(key, state_);
  if (program == nullptr) return false;
  state_.UseProgram(program->program);
  UploadFixedFunctionUniforms(program);
  return true;
}

void DeviceImpl::UploadFixedFunctionUniforms(FixedFunctionProgram* p) {
  if (p->transformVersion != transformVersion) {
    p->transformVersion = transformVersion;
    float worldView[4][16];
    float normals[4][9];
    for (int i = 0; i < 4; ++i) {
      const D3DMATRIX wv = Multiply(world[static_cast<std::size_t>(i)], view);
      std::memcpy(worldView[i], wv.m, sizeof(worldView[i]));
      NormalMatrix(wv, normals[i]);
    }
    if (p->worldView >= 0) glUniformMatrix4fv(p->worldView, 4, GL_FALSE, &worldView[0][0]);
    if (p->normalMatrix >= 0) glUniformMatrix3fv(p->normalMatrix, 4, GL_FALSE, &normals[0][0]);
    if (p->projection >= 0) glUniformMatrix4fv(p->projection, 1, GL_FALSE, &projection.m[0][0]);
  }
  if (p->lightVersion != lightVersion) {
    p->lightVersion = lightVersion;
    float diffuse[kFixedLights][4], specular[kFixedLights][4], ambient[kFixedLights][4];
    float direction[kFixedLights][3], position[kFixedLights][3], attenuation[kFixedLights][4];
    int n = 0;
    for (std::size_t i = 0; i < lights.size(); ++i) {
      if (!lightEnabled[i]) continue;
      const D3DLIGHT9& l = lights[i];
      std::memcpy(diffuse[n], &l.Diffuse, 16);
      std::memcpy(specular[n], &l.Specular, 16);
      std::memcpy(ambient[n], &l.Ambient, 16);
      // Lights are given in world space; lighting happens in view space.
      const D3DVECTOR d = l.Direction;
      float dx = -(d.x * view._11 + d.y * view._21 + d.z * view._31);
      float dy = -(d.x * view._12 + d.y * view._22 + d.z * view._32);
      float dz = -(d.x * view._13 + d.y * view._23 + d.z * view._33);
      const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
      if (length > 0.0f) {
        dx /= length;
        dy /= length;
        dz /= length;
      }
      direction[n][0] = dx;
      direction[n][1] = dy;
      direction[n][2] = dz;
      const D3DVECTOR q = l.Position;
      position[n][0] = q.x * view._11 + q.y * view._21 + q.z * view._31 + view._41;
      position[n][1] = q.x * view._12 + q.y * view._22 + q.z * view._32 + view._42;
      position[n][2] = q.x * view._13 + q.y * view._23 + q.z * view._33 + view._43;
      attenuation[n][0] = l.Attenuation0;
      attenuation[n][1] = l.Attenuation1;
      attenuation[n][2] = l.Attenuation2;
      attenuation[n][3] = l.Range > 0.0f ? l.Range : 1e30f;
      ++n;
    }
    if (n > 0) {
      if (p->lightDiffuse >= 0) glUniform4fv(p->lightDiffuse, n, &diffuse[0][0]);
      if (p->lightSpecular >= 0) glUniform4fv(p->lightSpecular, n, &specular[0][0]);
      if (p->lightAmbient >= 0) glUniform4fv(p->lightAmbient, n, &ambient[0][0]);
      if (p->lightDirection >= 0) glUniform3fv(p->lightDirection, n, &direction[0][0]);
      if (p->lightPosition >= 0) glUniform3fv(p->lightPosition, n, &position[0][0]);
      if (p->lightAttenuation >= 0) glUniform4fv(p->lightAttenuation, n, &attenuation[0][0]);
    }
  }
  if (p->materialVersion != materialVersion) {
    p->materialVersion = materialVersion;
    if (p->materialDiffuse >= 0) glUniform4fv(p->materialDiffuse, 1, &material.Diffuse.r);
    if (p->materialAmbient >= 0) glUniform4fv(p->materialAmbient, 1, &material.Ambient.r);
    if (p->materialSpecular >= 0) glUniform4fv(p->materialSpecular, 1, &material.Specular.r);
    if (p->materialEmissive >= 0) glUniform4fv(p->materialEmissive, 1, &material.Emissive.r);
    if (p->materialPower >= 0) glUniform1f(p->materialPower, material.Power);
  }
  if (p->miscVersion != miscVersion) {
    p->miscVersion = miscVersion;
    const auto colour = [](DWORD c, float out[4]) {
      out[0] = ((c >> 16) & 0xFF) / 255.0f;
      out[1] = ((c >> 8) & 0xFF) / 255.0f;
      out[2] = (c & 0xFF) / 255.0f;
      out[3] = ((c >> 24) & 0xFF) / 255.0f;
    };
    float value[4];
    colour(renderStates[D3DRS_AMBIENT], value);
    if (p->globalAmbient >= 0) glUniform4fv(p->globalAmbient, 1, value);
    colour(renderStates[D3DRS_FOGCOLOR], value);
    if (p->fogColor >= 0) glUniform4fv(p->fogColor, 1, value);
    colour(renderStates[D3DRS_TEXTUREFACTOR], value);
    if (p->textureFactor >= 0) glUniform4fv(p->textureFactor, 1, value);
    const float start = RenderStateToFloat(renderStates[D3DRS_FOGSTART]);
    const float end = RenderStateToFloat(renderStates[D3DRS_FOGEND]);
    const float scale = end != start ? 1.0f / (end - start) : 0.0f;
    if (p->fog >= 0) glUniform3f(p->fog, start, end, scale);
    if (p->alphaRef >= 0) glUniform1i(p->alphaRef, static_cast<GLint>(renderStates[D3DRS_ALPHAREF] & 0xFF));
    if (p->viewport >= 0) {
      glUniform4f(p->viewport, static_cast<float>(viewport.X), static_cast<float>(viewport.Y),
                  static_cast<float>(viewport.Width), static_cast<float>(viewport.Height));
    }
    if (p->pixelOffset >= 0) glUniform2f(p->pixelOffset, PixelOffsetX(), PixelOffsetY());
  }
  const DWORD bias = renderStates[D3DRS_DEPTHBIAS];
  if (p->depthBias >= 0 && p->lastDepthBias != bias) {
    glUniform1f(p->depthBias, RenderStateToFloat(bias));
    p->lastDepthBias = bias;
  }
}

void DeviceImpl::ApplyOverrideUniforms() {
  // Shaders compute a fog factor, but fog colour and switch stay device
  // states, and so does the half-pixel offset of the viewport.
  OverrideUniforms& uniforms = overrideUniforms_[programOverride_.program];
  if (!uniforms.resolved) {
    uniforms.fogColor = glGetUniformLocation(programOverride_.program, "d3d_FogColor");
    uniforms.fogEnable = glGetUniformLocation(programOverride_.program, "d3d_FogEnable");
    uniforms.resolved = true;
  }
  if (!uniforms.pixelOffsetResolved) {
    uniforms.pixelOffset = glGetUniformLocation(programOverride_.program, "d3d_PixelOffset");
    uniforms.depthBias = glGetUniformLocation(programOverride_.program, "d3d_DepthBias");
    uniforms.pixelOffsetResolved = true;
  }
  const DWORD bias = renderStates[D3DRS_DEPTHBIAS];
  if (uniforms.depthBias >= 0 && uniforms.lastDepthBias != bias) {
    glUniform1f(uniforms.depthBias, RenderStateToFloat(bias));
    uniforms.lastDepthBias = bias;
  }
  if (uniforms.pixelOffset >= 0 && uniforms.viewportVersion != miscVersion) {
    glUniform2f(uniforms.pixelOffset, PixelOffsetX(), PixelOffsetY());
    uniforms.viewportVersion = miscVersion;
  }
  const DWORD colour = renderStates[D3DRS_FOGCOLOR];
  const int enable = renderStates[D3DRS_FOGENABLE] != FALSE ? 1 : 0;
  if (uniforms.fogColor >= 0 && uniforms.lastFogColor != colour) {
    glUniform4f(uniforms.fogColor, ((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                (colour & 0xFF) / 255.0f, ((colour >> 24) & 0xFF) / 255.0f);
    uniforms.lastFogColor = colour;
  }
  if (uniforms.fogEnable >= 0 && uniforms.lastFogEnable != enable) {
    glUniform1i(uniforms.fogEnable, enable);
    uniforms.lastFogEnable = enable;
  }
}

bool DeviceImpl::PrepareDraw(unsigned vertexBuffer, std::uintptr_t baseOffset, UINT stride) {
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  ApplyFramebuffer();
  ApplyRenderStates();
  if (!ApplyLayout(vertexBuffer, baseOffset, stride)) return false;
  ApplyTextures();
  if (programOverride_.program != 0) {
    state_.UseProgram(programOverride_.program);
    ApplyOverrideUniforms();
  } else if (!ApplyFixedFunctionProgram()) {
    return false;
  }
  return true;
}

namespace {

// Appends data to a streaming buffer without waiting for draws that still
// read earlier parts of it; a full buffer is orphaned and starts over.
std::uintptr_t AppendToStream(GLenum target, const void* data, std::size_t bytes, std::size_t alignment,
                              std::size_t minimumCapacity, std::size_t* capacity, std::size_t* used) {
  *used = (*used + alignment - 1) / alignment * alignment;
  if (*capacity < bytes || *used + bytes > *capacity) {
    *capacity = std::max(minimumCapacity, bytes);
    glBufferData(target, static_cast<GLsizeiptr>(*capacity), nullptr, GL_STREAM_DRAW);
    *used = 0;
  }
  const std::size_t offset = *used;
  void* mapped = glMapBufferRange(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes),
                                  GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
  if (mapped != nullptr) {
    std::memcpy(mapped, data, bytes);
    glUnmapBuffer(target);
  } else {
    glBufferSubData(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
  }
  *used += bytes;
  return offset;
}

}  // namespace

UINT DeviceImpl::StreamVertices(const void* data, std::size_t bytes, UINT stride) {
  state_.BindArrayBuffer(streamVertexBuffer_);
  // Whole vertices from the start of the buffer: draws address them by index,
  // so the attribute pointers stay put from one draw to the next.
  const std::uintptr_t offset = AppendToStream(GL_ARRAY_BUFFER, data, bytes, stride, kStreamBufferSize,
                                               &streamVertexCapacity_, &streamVertexUsed_);
  return static_cast<UINT>(offset / stride);
}

std::uintptr_t DeviceImpl::StreamIndices(const void* data, std::size_t bytes) {
  state_.BindElementBuffer(streamIndexBuffer_);
  return AppendToStream(GL_ELEMENT_ARRAY_BUFFER, data, bytes, 4, kStreamBufferSize / 4, &streamIndexCapacity_,
                        &streamIndexUsed_);
}

void DeviceImpl::Clear(DWORD flags, D3DCOLOR colour, float z, DWORD stencil) {
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  ApplyFramebuffer();
  GLbitfield mask = 0;
  // A clear fills the viewport whatever the write masks say.
  if (flags & D3DCLEAR_TARGET) {
    state_.ColorMask(true, true, true, true);
    glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f,
                 ((colour >> 24) & 0xFF) / 255.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if ((flags & D3DCLEAR_ZBUFFER) && depthStencil != nullptr) {
    state_.DepthMask(true);
    glClearDepth(z);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if ((flags & D3DCLEAR_STENCIL) && HasStencil()) {
    state_.StencilWriteMask(0xFFFFFFFFu);
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  if (mask == 0) return;
  state_.Enable(GL_SCISSOR_TEST, true);
  state_.Scissor(static_cast<int>(viewport.X), static_cast<int>(viewport.Y), static_cast<int>(viewport.Width),
                 static_cast<int>(viewport.Height));
  glClear(mask);
  renderStatesDirty = true;  // masks and scissor go back to the render states
}

HRESULT DeviceImpl::Present() {
  if (lost) return D3DERR_DEVICELOST;
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  int windowWidth = 0;
  int windowHeight = 0;
  SDL_GL_GetDrawableSize(window_, &windowWidth, &windowHeight);
  const GLint width = static_cast<GLint>(parameters_.BackBufferWidth);
  const GLint height = static_cast<GLint>(parameters_.BackBufferHeight);
  state_.Enable(GL_SCISSOR_TEST, false);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, backFramebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  // The back buffer is stored top-down; the window's rows go bottom-up.
  glBlitFramebuffer(0, 0, width, height, 0, windowHeight, windowWidth, 0, GL_COLOR_BUFFER_BIT,
                    width == windowWidth && height == windowHeight ? GL_NEAREST : GL_LINEAR);
  state_.ForgetFramebuffer(state_.CurrentFramebuffer());
  framebufferDirty = true;
  renderStatesDirty = true;
  SDL_GL_SwapWindow(window_);
  return D3D_OK;
}

HRESULT DeviceImpl::Reset(IDirect3DDevice9* owner, const D3DPRESENT_PARAMETERS& parameters) {
  if (failingResets > 0) {
    --failingResets;
    return D3DERR_INVALIDCALL;
  }
  // As with Direct3D, every default-pool resource (and every extra
  // reference to the device's own surfaces) must be gone before a reset.
  const auto extraReferences = [](IDirect3DSurface9* surface, int own) {
    if (surface == nullptr) return false;
    surface->AddRef();
    return surface->Release() > static_cast<ULONG>(own);
  };
  const int ownTarget = renderTarget == backBufferSurface_ ? 2 : 1;
  const int ownDepth = depthStencil == backDepthSurface_ ? 2 : 1;
  if (defaultPoolResources_ > 0 || extraReferences(backBufferSurface_, ownTarget) ||
      extraReferences(backDepthSurface_, ownDepth)) {
    return D3DERR_INVALIDCALL;
  }
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  if (renderTarget != nullptr) renderTarget->Release();
  if (depthStencil != nullptr) depthStencil->Release();
  renderTarget = depthStencil = nullptr;
  IDirect3DSurface9* oldColour = backBufferSurface_;
  IDirect3DSurface9* oldDepth = backDepthSurface_;
  backBufferSurface_ = backDepthSurface_ = nullptr;
  ReleaseBackBuffer();
  if (oldColour != nullptr) oldColour->Release();
  if (oldDepth != nullptr) oldDepth->Release();

  parameters_ = parameters;
  if (!CreateBackBuffer(owner)) return D3DERR_INVALIDCALL;
  ResetStates();
  lost = false;
  return D3D_OK;
}

bool DeviceImpl::ReadRenderTarget(std::vector<std::uint32_t>* pixels, UINT* width, UINT* height) {
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  TargetSize(width, height);
  pixels->assign(static_cast<std::size_t>(*width) * *height, 0);
  const bool multisampled = renderTarget == backBufferSurface_ && parameters_.MultiSampleType != D3DMULTISAMPLE_NONE;
  framebufferDirty = true;
  ApplyFramebuffer();
  unsigned resolveFramebuffer = 0;
  unsigned resolveColour = 0;
  if (multisampled) {
    // Multisampled pixels are resolved into a plain buffer first.
    glGenFramebuffers(1, &resolveFramebuffer);
    glGenRenderbuffers(1, &resolveColour);
    glBindRenderbuffer(GL_RENDERBUFFER, resolveColour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(*width), static_cast<GLsizei>(*height));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveColour);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, backFramebuffer_);
    const GLint w = static_cast<GLint>(*width);
    const GLint h = static_cast<GLint>(*height);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer);
  } else {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, state_.CurrentFramebuffer());
  }
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, static_cast<GLsizei>(*width), static_cast<GLsizei>(*height), GL_BGRA, GL_UNSIGNED_BYTE,
               pixels->data());
  if (multisampled) {
    glDeleteFramebuffers(1, &resolveFramebuffer);
    glDeleteRenderbuffers(1, &resolveColour);
  }
  state_.ForgetFramebuffer(state_.CurrentFramebuffer());
  framebufferDirty = true;
  return glGetError() == GL_NO_ERROR;
}

}  // namespace d3d9
