#pragma once
// D3DX fonts: text drawn from a FreeType glyph atlas. Faces are resolved
// through fontconfig ("MS Gothic" with fixed pitch becomes a monospace face,
// "Arial" a sans-serif one).

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/TextLayout.h"

constexpr DWORD FW_NORMAL = 400;
constexpr DWORD FW_BOLD = 700;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD SHIFTJIS_CHARSET = 128;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FIXED_PITCH = 1;
constexpr DWORD VARIABLE_PITCH = 2;
constexpr DWORD FF_DONTCARE = 0;

namespace d3dx {
class FontImpl;
}

class ID3DXFont : public D3dUnknown {
 public:
  // Draws `count` bytes of text (-1: up to the terminator) in the rectangle
  // with the DT_* format flags; returns the text height in pixels (0 on
  // failure). The sprite argument is not supported and must be null.
  INT DrawTextA(void* sprite, LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR colour);
  HRESULT OnLostDevice();
  HRESULT OnResetDevice();
  // Pixels between two lines of text.
  INT GetLineHeight() const;

  // Layer-internal.
  explicit ID3DXFont(std::unique_ptr<d3dx::FontImpl> impl);

 private:
  ~ID3DXFont() override;
  std::unique_ptr<d3dx::FontImpl> impl_;
};

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels, BOOL italic,
                        DWORD charSet, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName,
                        ID3DXFont** font);
