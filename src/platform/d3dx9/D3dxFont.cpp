// ID3DXFont: text as textured quads from a glyph atlas, drawn through the
// device with pre-transformed vertices. The device states the font needs are
// set for the draw and put back afterwards.

#include "platform/d3dx9/D3dxFont.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/d3dx9/GlyphAtlas.h"

namespace d3dx {

class FontImpl {
 public:
  FontImpl(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }
  ~FontImpl() {
    if (texture_ != nullptr) texture_->Release();
    device_->Release();
  }

  bool Create(const char* face, int height, int weight, bool fixedPitch) {
    std::string error;
    if (!atlas_.Create(face, height, weight, fixedPitch, &error)) {
      std::fprintf(stderr, "grapple: font \"%s\": %s\n", face != nullptr ? face : "", error.c_str());
      return false;
    }
    return SyncTexture();
  }

  int LineHeight() const { return atlas_.GetLineHeight(); }

  int Draw(const char* text, int count, RECT* rect, DWORD format, D3DCOLOR colour) {
    if (text == nullptr || rect == nullptr) return 0;
    const int height = LayoutText(atlas_, text, count, rect, format, &quads_);
    if ((format & DT_CALCRECT) != 0 || quads_.empty()) return height;
    if (!SyncTexture()) return 0;

    vertices_.clear();
    for (const TextQuad& q : quads_) {
      // Quad corners sit on pixel edges: Direct3D's pixel centres are whole numbers.
      const float l = q.left - 0.5f;
      const float t = q.top - 0.5f;
      const float r = q.right - 0.5f;
      const float b = q.bottom - 0.5f;
      const Vertex v[6] = {{l, t, 0.0f, 1.0f, colour, q.u0, q.v0}, {r, t, 0.0f, 1.0f, colour, q.u1, q.v0},
                           {l, b, 0.0f, 1.0f, colour, q.u0, q.v1}, {r, t, 0.0f, 1.0f, colour, q.u1, q.v0},
                           {r, b, 0.0f, 1.0f, colour, q.u1, q.v1}, {l, b, 0.0f, 1.0f, colour, q.u0, q.v1}};
      vertices_.insert(vertices_.end(), std::begin(v), std::end(v));
    }
    SaveAndSetStates();
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(vertices_.size() / 3), vertices_.data(),
                             sizeof(Vertex));
    RestoreStates();
    return height;
  }

 private:
  struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
  };
  static constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

  // Copies new glyphs into the texture (white texels, coverage as alpha).
  bool SyncTexture() {
    RECT dirty{};
    bool resized = false;
    const bool changed = atlas_.TakeDirtyRegion(&dirty, &resized);
    if (texture_ == nullptr || resized) {
      if (texture_ != nullptr) texture_->Release();
      texture_ = nullptr;
      if (FAILED(device_->CreateTexture(static_cast<UINT>(atlas_.GetAtlasWidth()),
                                        static_cast<UINT>(atlas_.GetAtlasHeight()), 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_MANAGED, &texture_, nullptr))) {
        return false;
      }
      dirty = RECT{0, 0, atlas_.GetAtlasWidth(), atlas_.GetAtlasHeight()};
    } else if (!changed) {
      return true;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture_->LockRect(0, &locked, &dirty, 0))) return false;
    const std::uint8_t* coverage = atlas_.GetAtlasPixels();
    const int width = atlas_.GetAtlasWidth();
    for (LONG y = dirty.top; y < dirty.bottom; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                   static_cast<std::size_t>(y - dirty.top) * static_cast<std::size_t>(locked.Pitch));
      for (LONG x = dirty.left; x < dirty.right; ++x) {
        const std::uint32_t a = coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
        row[x - dirty.left] = (a << 24) | 0x00FFFFFFu;
      }
    }
    texture_->UnlockRect(0);
    return true;
  }

  struct SavedRenderState {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };

  void SaveAndSetStates() {
    const std::array<SavedRenderState, 12> wanted{{
        {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_ZENABLE, FALSE},
        {D3DRS_ZWRITEENABLE, FALSE},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_FOGENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_SPECULARENABLE, FALSE},
    }};
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      savedStates_[i].state = wanted[i].state;
      device_->GetRenderState(wanted[i].state, &savedStates_[i].value);
      device_->SetRenderState(wanted[i].state, wanted[i].value);
    }
    for (std::size_t i = 0; i < kStageStates.size(); ++i) {
      device_->GetTextureStageState(0, kStageStates[i], &savedStageStates_[i]);
    }
    device_->GetTextureStageState(1, D3DTSS_COLOROP, &savedStage1Colour_);
    device_->GetSamplerState(0, D3DSAMP_MINFILTER, &savedSampler_[0]);
    device_->GetSamplerState(0, D3DSAMP_MAGFILTER, &savedSampler_[1]);
    device_->GetSamplerState(0, D3DSAMP_MIPFILTER, &savedSampler_[2]);
    device_->GetFVF(&savedFvf_);
    device_->GetTexture(0, &savedTexture_);

    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device_->SetFVF(kFvf);
    device_->SetTexture(0, texture_);
  }

  void RestoreStates() {
    for (const SavedRenderState& saved : savedStates_) device_->SetRenderState(saved.state, saved.value);
    for (std::size_t i = 0; i < kStageStates.size(); ++i) {
      device_->SetTextureStageState(0, kStageStates[i], savedStageStates_[i]);
    }
    device_->SetTextureStageState(1, D3DTSS_COLOROP, savedStage1Colour_);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, savedSampler_[0]);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, savedSampler_[1]);
    device_->SetSamplerState(0, D3DSAMP_MIPFILTER, savedSampler_[2]);
    device_->SetFVF(savedFvf_);
    device_->SetTexture(0, savedTexture_);
    if (savedTexture_ != nullptr) savedTexture_->Release();
    savedTexture_ = nullptr;
  }

  static constexpr std::array<D3DTEXTURESTAGESTATETYPE, 6> kStageStates{
      D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};

  IDirect3DDevice9* device_;
  IDirect3DTexture9* texture_ = nullptr;
  GlyphAtlas atlas_;
  std::vector<TextQuad> quads_;
  std::vector<Vertex> vertices_;
  std::array<SavedRenderState, 12> savedStates_{};
  std::array<DWORD, 6> savedStageStates_{};
  DWORD savedStage1Colour_ = 0;
  std::array<DWORD, 3> savedSampler_{};
  DWORD savedFvf_ = 0;
  IDirect3DBaseTexture9* savedTexture_ = nullptr;
};

}  // namespace d3dx

ID3DXFont::ID3DXFont(std::unique_ptr<d3dx::FontImpl> impl) : impl_(std::move(impl)) {}
ID3DXFont::~ID3DXFont() = default;

INT ID3DXFont::DrawTextA(void* sprite, LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR colour) {
  if (sprite != nullptr) return 0;
  return impl_->Draw(text, count, rect, format, colour);
}

// The glyph texture is a managed resource: it survives a device reset.
HRESULT ID3DXFont::OnLostDevice() { return D3D_OK; }
HRESULT ID3DXFont::OnResetDevice() { return D3D_OK; }

INT ID3DXFont::GetLineHeight() const { return impl_->LineHeight(); }

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT, UINT weight, UINT, BOOL, DWORD, DWORD, DWORD,
                        DWORD pitchAndFamily, LPCSTR faceName, ID3DXFont** font) {
  if (device == nullptr || font == nullptr || faceName == nullptr) return D3DERR_INVALIDCALL;
  *font = nullptr;
  // A negative height is the character height; the cell is a little taller.
  const int cellHeight = height < 0 ? -height * 5 / 4 : height;
  if (cellHeight <= 0 || cellHeight > 512) return D3DERR_INVALIDCALL;
  auto impl = std::make_unique<d3dx::FontImpl>(device);
  if (!impl->Create(faceName, cellHeight, static_cast<int>(weight == 0 ? FW_NORMAL : weight),
                    (pitchAndFamily & 3) == FIXED_PITCH)) {
    return E_FAIL;
  }
  *font = new ID3DXFont(std::move(impl));
  return D3D_OK;
}
