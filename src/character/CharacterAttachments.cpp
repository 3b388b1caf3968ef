// The fixed attachment matrices of a fighter's rigid pieces.

#include "character/CharacterAttachments.h"

namespace {

constexpr float kPi = 3.14159265f;

// Scales the rotation part (the upper 3 x 3) and sets the translation row.
D3DXMATRIX Place(D3DXMATRIX m, float scale, float x, float y, float z) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m.m[r][c] *= scale;
  }
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return m;
}

}  // namespace

D3DXMATRIX MakeHeadAttachment() {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 0.0f, 0.2f, 0.0f);
  return Place(m, 0.98f, 0.0f, 0.2f, 0.0f);
}

D3DXMATRIX MakeWeaponAttachment() {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, -1.4660766f, kPi, kPi / 2.0f);
  return Place(m, 0.5f, -0.7f, -0.15f, -0.8f);
}

D3DXMATRIX MakeWeaponTipAttachment() {
  D3DXMATRIX tip;
  D3DXMatrixTranslation(&tip, 0.0f, 2.0f, 0.0f);
  const D3DXMATRIX weapon = MakeWeaponAttachment();
  D3DXMatrixMultiply(&tip, &tip, &weapon);
  return tip;
}

D3DXMATRIX MakeThrowableAttachment() {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, -0.3490658f, 0.1745329f, kPi / 2.0f);
  return Place(m, 0.45f, 0.5f, -0.35f, -0.25f);
}
