#pragma once
// The D3DX 9 math subset: vectors, matrices, quaternions, colours and planes.
//
// Conventions: vectors are rows and are transformed as v * M, so A * B
// applies A first; translation lives in the fourth row (_41, _42, _43);
// coordinates are left-handed with +Y up. Quaternions are (x, y, z, w).
//
// Default constructors zero every component (D3DX leaves them uninitialised):
// reading an uninitialised value is undefined behaviour and zeroing is cheap.
// A default D3DXMATRIX is therefore all zeros, not the identity.

#include "platform/d3dx9/D3dxColor.h"
#include "platform/d3dx9/D3dxConstants.h"
#include "platform/d3dx9/D3dxMatrix.h"
#include "platform/d3dx9/D3dxPlane.h"
#include "platform/d3dx9/D3dxQuaternion.h"
#include "platform/d3dx9/D3dxVector.h"
