// Degenerate tangent repair on a prepared mesh.

#include "render/TangentRepair.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr float kDegenerateLength = 0.5f;
constexpr float kSamePositionEpsilon = 2.384185791015625e-7f;  // 2^-22
constexpr float kSameNormalDot = 0.999f;
constexpr float kMinTextureArea = 1.1920929e-7f;
constexpr std::size_t kPositionOffset = 0;
constexpr std::size_t kNormalOffset = 12;
constexpr std::size_t kTangentOffset = 24;
constexpr std::size_t kTexcoordOffset = 36;

// Access to one vertex field of the locked buffer by byte offset.
template <typename T>
T Read(const std::uint8_t* vertex, std::size_t offset) {
  T value;
  std::memcpy(&value, vertex + offset, sizeof(T));
  return value;
}

template <typename T>
void Write(std::uint8_t* vertex, std::size_t offset, const T& value) {
  std::memcpy(vertex + offset, &value, sizeof(T));
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

bool SamePosition(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return std::fabs(a.x - b.x) <= kSamePositionEpsilon && std::fabs(a.y - b.y) <= kSamePositionEpsilon &&
         std::fabs(a.z - b.z) <= kSamePositionEpsilon;
}

}  // namespace

// For each position axis k, the plane through the points (u, v, p.k) has the
// normal e1 x e2; its slope along u, -n.x / n.z, is dp.k/du.
bool ComputeFaceTangent(const D3DXVECTOR3 positions[3], const D3DXVECTOR2 uvs[3], D3DXVECTOR3* tangent) {
  const float du1 = uvs[1].x - uvs[0].x, dv1 = uvs[1].y - uvs[0].y;
  const float du2 = uvs[2].x - uvs[0].x, dv2 = uvs[2].y - uvs[0].y;
  const float nz = du1 * dv2 - dv1 * du2;
  if (!(nz > kMinTextureArea)) return false;
  const float* p0 = &positions[0].x;
  const float* p1 = &positions[1].x;
  const float* p2 = &positions[2].x;
  float t[3];
  for (int k = 0; k < 3; ++k) {
    const float dp1 = p1[k] - p0[k], dp2 = p2[k] - p0[k];
    const float nx = dv1 * dp2 - dp1 * dv2;
    t[k] = -nx / nz;
  }
  *tangent = Normalized(D3DXVECTOR3(t[0], t[1], t[2]));
  return true;
}

bool RepairDegenerateTangents(ID3DXMesh* mesh) {
  const DWORD vertexCount = mesh->GetNumVertices();
  const DWORD faceCount = mesh->GetNumFaces();
  const std::size_t stride = mesh->GetNumBytesPerVertex();
  void* vertexData = nullptr;
  if (FAILED(mesh->LockVertexBuffer(0, &vertexData))) return false;
  auto* vertices = static_cast<std::uint8_t*>(vertexData);
  auto vertexAt = [&](DWORD i) { return vertices + i * stride; };

  std::vector<DWORD> degenerate;
  for (DWORD i = 0; i < vertexCount; ++i) {
    const D3DXVECTOR3 tangent = Read<D3DXVECTOR3>(vertexAt(i), kTangentOffset);
    if (D3DXVec3Length(&tangent) < kDegenerateLength) {
      Write(vertexAt(i), kTangentOffset, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
      degenerate.push_back(i);
    }
  }
  if (degenerate.empty()) {
    mesh->UnlockVertexBuffer();
    return true;
  }
  std::vector<bool> isDegenerate(vertexCount, false);
  for (DWORD i : degenerate) isDegenerate[i] = true;

  // Face tangents into the degenerate corners.
  void* indexData = nullptr;
  if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData))) {
    mesh->UnlockVertexBuffer();
    return false;
  }
  const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
  auto indexAt = [&](DWORD i) -> DWORD {
    return wide ? static_cast<const std::uint32_t*>(indexData)[i] : static_cast<const std::uint16_t*>(indexData)[i];
  };
  for (DWORD f = 0; f < faceCount; ++f) {
    DWORD corner[3];
    D3DXVECTOR3 positions[3];
    D3DXVECTOR2 uvs[3];
    bool touchesDegenerate = false;
    for (int c = 0; c < 3; ++c) {
      corner[c] = indexAt(f * 3 + c);
      if (corner[c] >= vertexCount) continue;
      touchesDegenerate = touchesDegenerate || isDegenerate[corner[c]];
    }
    if (!touchesDegenerate || corner[0] >= vertexCount || corner[1] >= vertexCount || corner[2] >= vertexCount) {
      continue;
    }
    for (int c = 0; c < 3; ++c) {
      positions[c] = Read<D3DXVECTOR3>(vertexAt(corner[c]), kPositionOffset);
      uvs[c] = Read<D3DXVECTOR2>(vertexAt(corner[c]), kTexcoordOffset);
    }
    D3DXVECTOR3 faceTangent;
    if (!ComputeFaceTangent(positions, uvs, &faceTangent)) continue;
    for (int c = 0; c < 3; ++c) {
      if (!isDegenerate[corner[c]]) continue;
      Write(vertexAt(corner[c]), kTangentOffset,
            Read<D3DXVECTOR3>(vertexAt(corner[c]), kTangentOffset) + faceTangent);
    }
  }
  mesh->UnlockIndexBuffer();

  // Tangents of other vertices at the same point with the same normal (the
  // other side of a texture seam), found through the vertices sorted by x.
  std::vector<DWORD> byX(vertexCount);
  for (DWORD i = 0; i < vertexCount; ++i) byX[i] = i;
  auto xOf = [&](DWORD i) { return Read<float>(vertexAt(i), kPositionOffset); };
  std::sort(byX.begin(), byX.end(), [&](DWORD a, DWORD b) { return xOf(a) < xOf(b) || (xOf(a) == xOf(b) && a < b); });
  std::vector<D3DXVECTOR3> accumulators(degenerate.size(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  for (std::size_t d = 0; d < degenerate.size(); ++d) {
    const DWORD i = degenerate[d];
    const D3DXVECTOR3 position = Read<D3DXVECTOR3>(vertexAt(i), kPositionOffset);
    const D3DXVECTOR3 normal = Read<D3DXVECTOR3>(vertexAt(i), kNormalOffset);
    auto first = std::lower_bound(byX.begin(), byX.end(), position.x - kSamePositionEpsilon,
                                  [&](DWORD v, float x) { return xOf(v) < x; });
    for (auto it = first; it != byX.end() && xOf(*it) <= position.x + kSamePositionEpsilon; ++it) {
      const DWORD j = *it;
      if (j == i || !SamePosition(position, Read<D3DXVECTOR3>(vertexAt(j), kPositionOffset))) continue;
      const D3DXVECTOR3 otherNormal = Read<D3DXVECTOR3>(vertexAt(j), kNormalOffset);
      if (D3DXVec3Dot(&normal, &otherNormal) < kSameNormalDot) continue;
      accumulators[d] += Normalized(Read<D3DXVECTOR3>(vertexAt(j), kTangentOffset));
    }
  }

  // Average, then perpendicular to the normal.
  for (std::size_t d = 0; d < degenerate.size(); ++d) {
    std::uint8_t* vertex = vertexAt(degenerate[d]);
    const D3DXVECTOR3 normal = Read<D3DXVECTOR3>(vertex, kNormalOffset);
    D3DXVECTOR3 tangent = Normalized(Normalized(Read<D3DXVECTOR3>(vertex, kTangentOffset)) + accumulators[d]);
    D3DXVECTOR3 side;
    D3DXVec3Cross(&side, &tangent, &normal);
    D3DXVec3Cross(&tangent, &normal, &side);
    Write(vertex, kTangentOffset, tangent);
  }
  mesh->UnlockVertexBuffer();
  return true;
}
