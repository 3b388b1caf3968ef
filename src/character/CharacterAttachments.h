#pragma once
// Where a fighter's rigid pieces sit on its skeleton: each matrix places a
// piece's model in the space of the bone it follows (world = attachment x
// bone world).

#include "platform/d3dx9/D3dxMath.h"

// Head and hair, on "neck": lifted a little and drawn at 98 % of their size.
D3DXMATRIX MakeHeadAttachment();
// The weapon in the right hand, on "r_hand", at half its modelled size.
D3DXMATRIX MakeWeaponAttachment();
// The weapon's striking point: two model units along its length.
D3DXMATRIX MakeWeaponTipAttachment();
// The throwable in the left hand, on "l_hand", at 45 % of its size.
D3DXMATRIX MakeThrowableAttachment();
