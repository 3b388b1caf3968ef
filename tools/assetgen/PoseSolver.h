#pragma once
// Poses as a fight animator blocks them, and the solver that turns them into
// the local rotations of a skeleton (the fighter's, see FighterRig.h): the
// spine bends and twists, each limb either points its upper bone and bends
// its middle joint, or reaches for a target with its end joint, the weapon
// hand holds its blade along a direction. Also the pose math the game uses:
// forward kinematics and the yaw, pitch and roll of
// D3DXMatrixRotationYawPitchRoll.

#include <vector>

#include "AnimFiles.h"
#include "FighterRig.h"
#include "VecMath.h"

namespace assetgen {

// Angles in degrees. Spine joints: bend forward, twist to the right, lean
// to the right.
struct SpineSpec {
  float bend = 0.0f, twist = 0.0f, lean = 0.0f;
};

// A limb (arm or leg) is placed either by where its upper bone points, how
// far the middle joint bends and where the lower bone should point (which
// decides the limb's twist), or by where its end joint (wrist, ankle)
// should be and which way the middle joint (elbow, knee) should face.
struct LimbSpec {
  bool reach = false;
  Vec3 upper;  // direction of the upper bone
  float bend = 0.0f;
  Vec3 lower;       // where the lower bone should point
  Vec3 target;      // reach: the end joint's position
  Vec3 jointFaces;  // reach: the way the middle joint points
};

// An arm and its hand: the hand bends at the wrist (yaw, pitch, roll of its
// local rotation, degrees) or, for the weapon hand, turns the blade along
// `blade` with its edge facing `edge`.
struct ArmSpec {
  LimbSpec limb;
  Vec3 wrist;
  bool aimBlade = false;
  Vec3 blade, edge;
};

// A leg and its foot: heading (toes turned right) and tilt (toes down) of
// the foot in character space, degrees.
struct LegSpec {
  LimbSpec limb;
  float toeTurn = 0.0f, toeDown = 0.0f;
};

struct PoseSpec {
  const char* name;
  SpineSpec root, waist, chest, neck;
  ArmSpec left, right;
  LegSpec leftLeg, rightLeg;
};

// The local rotation of every bone of the fighter's skeleton for a pose
// (helpers take their limb's rotation).
std::vector<Mat3> SolvePose(const Skeleton& skeleton, const PoseSpec& spec);

// World (character-space) state of a posed skeleton.
struct PosedSkeleton {
  std::vector<Mat3> local;     // per bone
  std::vector<Mat3> world;     // per bone: local * parent's world
  std::vector<Vec3> position;  // per bone: the joint
};

// Forward kinematics as the game does it: world = local (rotation with the
// bone's offset as translation) times the parent's world, from the root at
// the origin.
PosedSkeleton PoseSkeleton(const Skeleton& skeleton, const std::vector<Mat3>& localRotations);

// The yaw, pitch and roll that D3DXMatrixRotationYawPitchRoll turns back
// into this rotation (roll about Z, then pitch about X, then yaw about Y).
Rotation ToYawPitchRoll(const Mat3& rotation);
Mat3 FromYawPitchRoll(const Rotation& rotation);

// The local rotations of one pose of a library, per bone of the skeleton
// (identity for bones without a channel).
std::vector<Mat3> PoseRotations(const Skeleton& skeleton, const PoseLibrary& poses, int pose);

}  // namespace assetgen
