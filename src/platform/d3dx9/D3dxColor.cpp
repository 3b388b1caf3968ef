#include "platform/d3dx9/D3dxColor.h"

D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b, float s) {
  *out = *a + (*b - *a) * s;
  return out;
}
