#pragma once
// GDI fonts for the standard controls. CreateFontA finds the face through
// fontconfig and rasterises it with FreeType, as the D3DX fonts do; a control
// given the font with WM_SETFONT draws its text with it.

#include "platform/d3dx9/D3dxFont.h"  // the FW_*, *_CHARSET and *_PITCH values are shared with D3DX fonts
#include "platform/win32/WinTypes.h"

constexpr DWORD CLIP_DEFAULT_PRECIS = 0;

// height > 0: cell height in pixels; < 0: em height; 0: a default of 16.
// Null when no font file can be loaded at all.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName);

// Deletes a font made by CreateFontA. Stock objects are accepted and kept.
BOOL DeleteObject(HGDIOBJ object);
