#include "platform/d3dx9/D3dxPlane.h"

float D3DXPlaneDotCoord(const D3DXPLANE* plane, const D3DXVECTOR3* v) {
  return plane->a * v->x + plane->b * v->y + plane->c * v->z + plane->d;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal) {
  *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
  return out;
}
