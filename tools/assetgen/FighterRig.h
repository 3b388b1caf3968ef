#pragma once
// The fighter's skeleton and the fixed attachment frames the game uses with
// it. Scale 1: the pelvis (the root) at the origin, the ankles 3.5 below,
// about 7.3 tall from sole to crown; facing -Z, left along +X; bind pose a
// T-pose without rotations (arms along +-X, legs down -Y).
//
// Besides the bones the game looks up, each shoulder and hip has a helper
// bone at the same joint with the half-rotation flag, posed exactly like
// its limb bone: the flesh of the shoulder cap and of the hip crease follows
// it, so it turns half as far as the limb and the joint keeps its volume.
// The waist carries the same flag, so the belly twists half as far as the
// chest.

#include <string>
#include <vector>

#include "AnimFiles.h"
#include "VecMath.h"

namespace assetgen {

enum FighterBone : int {
  kRoot,
  kWaist,
  kChest,
  kNeck,
  kLShould,
  kRShould,
  kLShouldHalf,
  kRShouldHalf,
  kLElbow,
  kRElbow,
  kLHand,
  kRHand,
  kLHip,
  kRHip,
  kLHipHalf,
  kRHipHalf,
  kLKnee,
  kRKnee,
  kLFoot,
  kRFoot,
  kFighterBoneCount
};

// Every bone with its name, parent, offset and flags; no influences yet.
Skeleton MakeFighterSkeleton();

// The bone whose pose rotation a bone takes: a helper's limb bone, or the
// bone itself.
int ChannelSource(int bone);

// The names the game looks up: the bone table of the character, the
// shoulder and elbow nodes of the ragdoll, and the 18 poses.
const std::vector<std::string>& GameBoneNames();
const std::vector<std::string>& GamePoseNames();

// Fixed attachment frames in the bone's frame (rotation rows with the scale
// in them, and the translation), as the game builds them.
struct Attachment {
  Mat3 rotation;
  Vec3 translation;
  Vec3 Apply(Vec3 local) const { return local * rotation + translation; }
};
Attachment HeadAttachment();       // on "neck": head and hair
Attachment WeaponAttachment();     // on "r_hand"
Attachment ThrowableAttachment();  // on "l_hand"
// The weapon's striking point in its own model space.
constexpr Vec3 kWeaponTip{0.0f, 2.0f, 0.0f};

}  // namespace assetgen
