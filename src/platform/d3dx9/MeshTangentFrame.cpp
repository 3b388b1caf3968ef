// D3DXComputeTangentFrameEx: per-vertex tangent frames from the faces
// around each vertex.
//
// Every face gets a normal (cross(p1 - p0, p2 - p0): clockwise faces seen
// from the front, as D3D draws them) and the partial derivatives of its
// position along U and V. The faces using a vertex are joined across their
// shared edges unless the two faces' partials (or computed normals) point
// apart, their dot product falling below the threshold; each group left
// gets its own copy of the vertex. A group's frame is the sum of its faces'
// vectors weighted by the corner angle at the vertex (area or equal weights
// on request), orthogonalised against the normal by Gram-Schmidt.

#include <cmath>
#include <cstring>

#include "platform/d3dx9/D3dxMeshTools.h"
#include "platform/d3dx9/MeshSplit.h"

namespace {

struct Vec {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(Vec a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Length(Vec a) { return std::sqrt(Dot(a, a)); }
// The unit vector, or zero for a vector too short (or not finite) to have a direction.
Vec Direction(Vec a, float minimum = 1e-20f) {
  const float length = Length(a);
  return std::isfinite(length) && length > minimum ? a * (1.0f / length) : Vec{};
}
bool IsZero(Vec a) { return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f; }

const D3DVERTEXELEMENT9* FindElement(const std::vector<D3DVERTEXELEMENT9>& declaration, DWORD usage, DWORD index) {
  for (const D3DVERTEXELEMENT9& e : declaration) {
    if (e.Stream == 0 && e.Usage == usage && e.UsageIndex == index) return &e;
  }
  return nullptr;
}

// An element with at least `floats` float components (FLOAT1 .. FLOAT4).
bool HasFloats(const D3DVERTEXELEMENT9* e, int floats) {
  return e != nullptr && e->Type <= D3DDECLTYPE_FLOAT4 && static_cast<int>(e->Type) + 1 >= floats;
}

struct Face {
  Vec normal;          // unit, zero for a face without area
  Vec u, v;            // partials dP/du, dP/dv
  Vec uUnit, vUnit;    // their directions
  bool partials = false;  // false: no area, or texture coordinates without area
  float area = 0.0f;
  float angle[3] = {};  // corner angles
};

class TangentFrame {
 public:
  TangentFrame(ID3DXMesh* mesh, DWORD options) : mesh_(mesh), options_(options) {}

  HRESULT Compute(DWORD textureSemantic, DWORD textureIndex, DWORD uSemantic, DWORD uIndex, DWORD vSemantic,
                  DWORD vIndex, DWORD normalSemantic, DWORD normalIndex, const DWORD* adjacency,
                  float partialEdgeThreshold, float singularPointThreshold, float normalEdgeThreshold,
                  ID3DXMesh** meshOut, ID3DXBuffer** vertexMapping);

 private:
  Vec Read3(const std::uint8_t* vertices, DWORD v, const D3DVERTEXELEMENT9* e) const {
    float f[3];
    std::memcpy(f, vertices + static_cast<std::size_t>(v) * stride_ + e->Offset, sizeof(f));
    return {f[0], f[1], f[2]};
  }
  void ComputeFaces();
  bool Joinable(DWORD f, DWORD g) const;
  float Weight(DWORD face, DWORD corner) const;
  // The orthogonal frame of one group of faces around a vertex.
  void Frame(const d3dx::VertexFans& fans, DWORD vertex, DWORD fan, Vec* normal, Vec* tangent, Vec* binormal) const;
  Vec Orthogonal(Vec a, Vec normal, Vec primary) const;

  ID3DXMesh* mesh_;
  DWORD options_;
  std::size_t stride_ = 0;
  const D3DVERTEXELEMENT9* position_ = nullptr;
  const D3DVERTEXELEMENT9* texture_ = nullptr;   // null: no partials wanted or possible
  const D3DVERTEXELEMENT9* uOut_ = nullptr;
  const D3DVERTEXELEMENT9* vOut_ = nullptr;
  const D3DVERTEXELEMENT9* normalOut_ = nullptr;
  const D3DVERTEXELEMENT9* normalIn_ = nullptr;  // the vertex's own normal, when not computed
  float partialEdge_ = 0.0f;
  float singularPoint_ = 0.0f;
  float normalEdge_ = 0.0f;
  std::vector<Face> faces_;
};

void TangentFrame::ComputeFaces() {
  const std::uint8_t* vertices = mesh_->Vertices().data();
  const DWORD count = mesh_->GetNumFaces();
  faces_.assign(count, Face{});
  for (DWORD f = 0; f < count; ++f) {
    Face& face = faces_[f];
    Vec p[3];
    float uv[3][2] = {};
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD vertex = mesh_->IndexAt(f * 3 + k);
      p[k] = Read3(vertices, vertex, position_);
      if (texture_ != nullptr) std::memcpy(uv[k], vertices + vertex * stride_ + texture_->Offset, sizeof(uv[k]));
    }
    const Vec e1 = p[1] - p[0];
    const Vec e2 = p[2] - p[0];
    const Vec cross = Cross(e1, e2);
    face.area = 0.5f * Length(cross);
    face.normal = Direction(cross) * ((options_ & D3DXTANGENT_WIND_CW) ? -1.0f : 1.0f);
    for (int k = 0; k < 3; ++k) {
      const Vec a = Direction(p[(k + 1) % 3] - p[k]);
      const Vec b = Direction(p[(k + 2) % 3] - p[k]);
      face.angle[k] = IsZero(a) || IsZero(b) ? 0.0f : std::acos(std::fmax(-1.0f, std::fmin(1.0f, Dot(a, b))));
    }

    float du1 = uv[1][0] - uv[0][0], dv1 = uv[1][1] - uv[0][1];
    float du2 = uv[2][0] - uv[0][0], dv2 = uv[2][1] - uv[0][1];
    if (options_ & D3DXTANGENT_WRAP_U) du1 -= std::round(du1), du2 -= std::round(du2);
    if (options_ & D3DXTANGENT_WRAP_V) dv1 -= std::round(dv1), dv2 -= std::round(dv2);
    // The texture triangle's signed doubled area, measured against the size
    // of its terms: a sliver in texture space has no usable partials.
    const float det = du1 * dv2 - du2 * dv1;
    const float scale = std::fabs(du1 * dv2) + std::fabs(du2 * dv1);
    if (texture_ == nullptr || IsZero(face.normal) || !(std::fabs(det) > 1e-6f * scale)) continue;
    face.u = (e1 * dv2 - e2 * dv1) * (1.0f / det);
    face.v = (e2 * du1 - e1 * du2) * (1.0f / det);
    face.uUnit = Direction(face.u);
    face.vUnit = Direction(face.v);
    face.partials = !IsZero(face.uUnit) && !IsZero(face.vUnit);
  }
}

bool TangentFrame::Joinable(DWORD f, DWORD g) const {
  if (options_ & D3DXTANGENT_GENERATE_IN_PLACE) return true;  // no copies in place
  const Face& a = faces_[f];
  const Face& b = faces_[g];
  // Faces without a normal or partials carry no direction to disagree with.
  if (normalIn_ == nullptr && !IsZero(a.normal) && !IsZero(b.normal) && Dot(a.normal, b.normal) < normalEdge_) {
    return false;
  }
  if (a.partials && b.partials) {
    if (uOut_ != nullptr && Dot(a.uUnit, b.uUnit) < partialEdge_) return false;
    if (vOut_ != nullptr && Dot(a.vUnit, b.vUnit) < partialEdge_) return false;
  }
  return true;
}

float TangentFrame::Weight(DWORD face, DWORD corner) const {
  if (options_ & D3DXTANGENT_WEIGHT_EQUAL) return 1.0f;
  if (options_ & D3DXTANGENT_WEIGHT_BY_AREA) return faces_[face].area;
  return faces_[face].angle[corner];
}

// `a` made perpendicular to the normal and to the primary partial (zero
// vectors are skipped); unit unless partials keep their length.
Vec TangentFrame::Orthogonal(Vec a, Vec normal, Vec primary) const {
  const float length = Length(a);
  if (!(options_ & D3DXTANGENT_DONT_ORTHOGONALIZE)) {
    a = a - normal * Dot(a, normal);
    a = a - primary * Dot(a, primary);
  }
  // What is left of a partial (nearly) along the normal has no direction.
  const Vec unit = Direction(a, std::fmax(singularPoint_, 1e-6f) * length);
  return (options_ & D3DXTANGENT_DONT_NORMALIZE_PARTIALS) ? unit * Length(a) : unit;
}

void TangentFrame::Frame(const d3dx::VertexFans& fans, DWORD vertex, DWORD fan, Vec* normal, Vec* tangent,
                         Vec* binormal) const {
  Vec normalSum, uSum, vSum, uUnitSum, vUnitSum;
  float partialWeight = 0.0f;
  for (DWORD e = fans.first[vertex]; e < fans.first[vertex + 1]; ++e) {
    if (fans.fan[e] != fan) continue;
    const DWORD f = fans.corner[e] / 3;
    const Face& face = faces_[f];
    const float w = Weight(f, fans.corner[e] % 3);
    normalSum = normalSum + face.normal * w;
    if (!face.partials) continue;
    partialWeight += w;
    uUnitSum = uUnitSum + face.uUnit * w;
    vUnitSum = vUnitSum + face.vUnit * w;
    uSum = uSum + face.u * w;
    vSum = vSum + face.v * w;
  }
  *normal = normalIn_ != nullptr ? Direction(Read3(mesh_->Vertices().data(), vertex, normalIn_)) : Direction(normalSum);
  *tangent = Vec{};
  *binormal = Vec{};
  if (!(partialWeight > 0.0f)) return;
  const bool keepLength = (options_ & D3DXTANGENT_DONT_NORMALIZE_PARTIALS) != 0;
  // Faces whose directions mostly cancel leave a singular point: zero, not
  // an arbitrary direction blown up from rounding noise.
  auto mean = [&](Vec unitSum, Vec sum) {
    if (Length(unitSum) < singularPoint_ * partialWeight) return Vec{};
    return keepLength ? sum * (1.0f / partialWeight) : Direction(unitSum);
  };
  const Vec u = mean(uUnitSum, uSum);
  const Vec v = mean(vUnitSum, vSum);
  if (options_ & D3DXTANGENT_ORTHOGONALIZE_FROM_V) {
    *binormal = Orthogonal(v, *normal, Vec{});
    *tangent = Orthogonal(u, *normal, Direction(*binormal));
  } else {
    *tangent = Orthogonal(u, *normal, Vec{});
    *binormal = Orthogonal(v, *normal, Direction(*tangent));
  }
}

void Write3(std::uint8_t* vertices, std::size_t stride, DWORD v, const D3DVERTEXELEMENT9* e, Vec value) {
  const float f[3] = {value.x, value.y, value.z};
  std::memcpy(vertices + v * stride + e->Offset, f, sizeof(f));
}

HRESULT TangentFrame::Compute(DWORD textureSemantic, DWORD textureIndex, DWORD uSemantic, DWORD uIndex,
                              DWORD vSemantic, DWORD vIndex, DWORD normalSemantic, DWORD normalIndex,
                              const DWORD* adjacency, float partialEdgeThreshold, float singularPointThreshold,
                              float normalEdgeThreshold, ID3DXMesh** meshOut, ID3DXBuffer** vertexMapping) {
  const std::vector<D3DVERTEXELEMENT9>& declaration = mesh_->Declaration();
  stride_ = mesh_->GetNumBytesPerVertex();
  partialEdge_ = partialEdgeThreshold;
  singularPoint_ = singularPointThreshold;
  normalEdge_ = normalEdgeThreshold;
  // An output named must exist with room for three floats.
  auto output = [&](DWORD semantic, DWORD index, const D3DVERTEXELEMENT9** e) {
    if (semantic == D3DX_DEFAULT) return true;
    *e = FindElement(declaration, semantic, index);
    return HasFloats(*e, 3);
  };
  position_ = FindElement(declaration, D3DDECLUSAGE_POSITION, 0);
  texture_ = FindElement(declaration, textureSemantic, textureIndex);
  const bool wantsPartials = uSemantic != D3DX_DEFAULT || vSemantic != D3DX_DEFAULT;
  if (!HasFloats(position_, 3) || (wantsPartials && !HasFloats(texture_, 2)) ||
      !output(uSemantic, uIndex, &uOut_) || !output(vSemantic, vIndex, &vOut_) ||
      !output(normalSemantic, normalIndex, &normalOut_)) {
    return D3DERR_INVALIDCALL;
  }
  if (!wantsPartials) texture_ = nullptr;
  const bool calculateNormals = (options_ & D3DXTANGENT_CALCULATE_NORMALS) != 0;
  if (!calculateNormals) {
    // The named normal element is then the input; without one the mesh's own
    // normal, and only a mesh without normals has them computed.
    normalIn_ = normalOut_ != nullptr ? normalOut_ : FindElement(declaration, D3DDECLUSAGE_NORMAL, 0);
    if (!HasFloats(normalIn_, 3)) normalIn_ = nullptr;
    normalOut_ = nullptr;
  }
  if (!d3dx::IndicesInRange(*mesh_)) return D3DERR_INVALIDCALL;
  std::vector<DWORD> neighbours;
  const HRESULT usable = d3dx::UsableAdjacency(mesh_, adjacency, &neighbours);
  if (usable != D3D_OK) return usable;

  ComputeFaces();
  const bool inPlace = (options_ & D3DXTANGENT_GENERATE_IN_PLACE) != 0;
  d3dx::VertexFans fans =
      d3dx::FindVertexFans(*mesh_, neighbours.data(), [&](DWORD f, DWORD g) { return Joinable(f, g); });
  if (inPlace) {
    // No copies: every face using a vertex shares its frame.
    for (DWORD& fan : fans.fan) fan = 0;
    for (DWORD& count : fans.count) count = count > 0 ? 1 : 0;
  }
  const d3dx::VertexSplit split = d3dx::SplitVerticesByFan(fans, mesh_->GetNumVertices(), mesh_->GetNumFaces());

  ID3DXMesh* result = mesh_;
  if (!inPlace) {
    const HRESULT created = d3dx::CreateSplitMesh(mesh_, split.source, split.cornerVertex, &result);
    if (created != D3D_OK) return created;
  }
  void* locked = nullptr;
  result->LockVertexBuffer(0, &locked);  // marks the vertices for upload
  auto* out = static_cast<std::uint8_t*>(locked);
  std::vector<bool> done;
  for (DWORD v = 0; v < mesh_->GetNumVertices(); ++v) {
    done.assign(fans.count[v], false);
    for (DWORD e = fans.first[v]; e < fans.first[v + 1]; ++e) {
      const DWORD fan = fans.fan[e];
      if (done[fan]) continue;  // one frame per fan, written to the fan's vertex
      done[fan] = true;
      Vec normal, tangent, binormal;
      Frame(fans, v, fan, &normal, &tangent, &binormal);
      const DWORD target = split.cornerVertex[fans.corner[e]];
      if (normalOut_ != nullptr) Write3(out, stride_, target, normalOut_, normal);
      if (uOut_ != nullptr) Write3(out, stride_, target, uOut_, tangent);
      if (vOut_ != nullptr) Write3(out, stride_, target, vOut_, binormal);
    }
  }
  result->UnlockVertexBuffer();

  if (vertexMapping != nullptr) {
    const HRESULT made = D3DXCreateBuffer(static_cast<DWORD>(split.source.size() * sizeof(DWORD)), vertexMapping);
    if (made != D3D_OK) {
      if (!inPlace) result->Release();
      return made;
    }
    std::memcpy((*vertexMapping)->GetBufferPointer(), split.source.data(), split.source.size() * sizeof(DWORD));
  }
  if (inPlace && meshOut != nullptr) mesh_->AddRef();
  if (meshOut != nullptr) *meshOut = result;
  return D3D_OK;
}

}  // namespace

HRESULT D3DXComputeTangentFrameEx(ID3DXMesh* mesh, DWORD textureInSemantic, DWORD textureInIndex,
                                  DWORD uPartialOutSemantic, DWORD uPartialOutIndex, DWORD vPartialOutSemantic,
                                  DWORD vPartialOutIndex, DWORD normalOutSemantic, DWORD normalOutIndex,
                                  DWORD options, const DWORD* adjacency, FLOAT partialEdgeThreshold,
                                  FLOAT singularPointThreshold, FLOAT normalEdgeThreshold, ID3DXMesh** meshOut,
                                  ID3DXBuffer** vertexMapping) {
  if (meshOut != nullptr) *meshOut = nullptr;
  if (vertexMapping != nullptr) *vertexMapping = nullptr;
  const bool inPlace = (options & D3DXTANGENT_GENERATE_IN_PLACE) != 0;
  if (mesh == nullptr || (meshOut == nullptr && !inPlace)) return D3DERR_INVALIDCALL;
  TangentFrame frame(mesh, options);
  return frame.Compute(textureInSemantic, textureInIndex, uPartialOutSemantic, uPartialOutIndex,
                       vPartialOutSemantic, vPartialOutIndex, normalOutSemantic, normalOutIndex, adjacency,
                       partialEdgeThreshold, singularPointThreshold, normalEdgeThreshold, meshOut, vertexMapping);
}
