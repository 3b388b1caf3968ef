#pragma once
// One animated instance of a skeleton: a node per bone with its local, world
// and skinning matrices; jumps to or blends between the poses of the pose
// file; draws the frame's vertex-blended mesh with its skinning matrices.

#include <cstdint>

#include "anim/SkinMeshFrame.h"
#include "platform/d3dx9/D3dxMath.h"

class RenderSystem;
struct MaterialData;

class SkinMeshEntity {
 public:
  struct Node {
    virtual ~Node() = default;
    Node* parent = nullptr;      // null for a root
    const char* name = nullptr;  // the bone's name inside the bone file
    std::int32_t index = 0;
    bool exclude = false;       // never blended or skinned
    bool halfRotation = false;  // its vertices take half of its rotation
    D3DXMATRIX local;           // rotation and offset relative to the parent joint
    D3DXMATRIX world;           // local x parent's world
    D3DXMATRIX skin;            // bind offset x (possibly halved) world: what the renderer uses
  };

  struct BlendChannel {
    bool active = false;  // not excluded and the bone has a pose channel
    D3DXQUATERNION from;
    D3DXQUATERNION to;
  };

  SkinMeshEntity() = default;
  virtual ~SkinMeshEntity();
  SkinMeshEntity(const SkinMeshEntity&) = delete;
  SkinMeshEntity& operator=(const SkinMeshEntity&) = delete;

  // Builds the nodes on the frame (which must outlive the entity) in the bind
  // pose. False, and an empty entity, for a missing frame or skeleton, a
  // skeleton without a root, or a failed allocation.
  bool Init(const SkinMeshFrame* frame);
  void Release();
  // The first node whose bone is named name, or null.
  Node* FindNode(const char* name);

  // Every node at its bind offset without rotation; ends any blend.
  void ResetToBindPose();
  // Jumps to a pose (excluded bones included); ends any blend.
  void SetPose(std::int32_t pose);
  // Starts blending the active channels from their current rotations towards
  // a pose; the nodes move at the next ApplyBlend.
  void BeginBlend(std::int32_t pose);
  // Advances the blend parameter by dt and applies it. With stopAtEnds the
  // blend ends exactly at either end; without, it extrapolates.
  void UpdateBlend(float dt, bool stopAtEnds);
  void ApplyBlend();
  // World matrices of the node's subtree under the parent matrix.
  void UpdateWorld(Node* node, const D3DXMATRIX& parent);
  // Skinning matrices of the non-excluded nodes, from the local matrices or,
  // when the world matrices were written directly (ragdoll), from those.
  void ComputeSkinMatrices(bool fromWorld);
  // Draws the blended mesh one bone combination at a time; combinations of
  // attribute 0 apply materials[0].
  void Draw(RenderSystem* renderer, MaterialData** materials);

  const SkinMeshFrame* GetFrame() const { return frame_; }
  Node* GetNodes() { return nodes_; }
  const Node* GetNodes() const { return nodes_; }
  std::int32_t GetNodeCount() const { return nodeCount_; }
  std::int32_t GetAnimatedNodeCount() const { return animatedNodeCount_; }
  Node* GetRoot() { return root_; }
  bool IsBlending() const { return blending_; }
  float GetBlendT() const { return blendT_; }

 private:
  void SetLocalRotation(Node& node, const D3DXMATRIX& rotation);

  const SkinMeshFrame* frame_ = nullptr;
  Node* nodes_ = nullptr;
  std::int32_t nodeCount_ = 0;
  std::int32_t animatedNodeCount_ = 0;
  Node* root_ = nullptr;
  BlendChannel* channels_ = nullptr;
  bool blending_ = false;
  float blendT_ = 0.0f;
};
