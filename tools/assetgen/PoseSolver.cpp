#include "PoseSolver.h"

#include <cmath>

namespace assetgen {

namespace {

Mat3 SpineRotation(const SpineSpec& s) {
  // Bending forward tips the bone's up axis towards -Z: negative pitch;
  // roll tips it towards -X, the character's right.
  return RotationYawPitchRoll(s.twist * kDegrees, -s.bend * kDegrees, s.lean * kDegrees);
}

// The shortest rotation taking unit a onto unit b.
Mat3 Arc(Vec3 a, Vec3 b) {
  const Vec3 axis = Cross(a, b);
  const float s = Length(axis), c = Dot(a, b);
  if (s < 1e-6f) return c > 0.0f ? Mat3{} : RotationAxis(AnyPerpendicular(a), kPi);
  return RotationAxis(axis / s, std::atan2(s, c));
}

// Angle about unit axis u from a to b, both taken perpendicular to u.
float TwistAngle(Vec3 u, Vec3 a, Vec3 b) {
  const Vec3 pa = a - u * Dot(a, u), pb = b - u * Dot(b, u);
  if (Length(pa) < 1e-4f || Length(pb) < 1e-4f) return 0.0f;
  return std::atan2(Dot(u, Cross(pa, pb)), Dot(pa, pb));
}

// World rotation of a limb's upper bone: aimed along `target`, twisted
// about it so that the lower bone (bent by `lowerLocal`) points towards
// `hint` as far as the bend allows.
Mat3 AimLimb(Vec3 bindDirection, Vec3 target, const Mat3& lowerLocal, Vec3 hint) {
  const Vec3 u = Normalize(target);
  const Mat3 arc = Arc(bindDirection, u);
  const Vec3 lower = bindDirection * lowerLocal * arc;
  return arc * RotationAxis(u, TwistAngle(u, lower, Normalize(hint)));
}

// Two-bone reach: from the limb's root joint, the upper direction, the bend
// (degrees) and the lower direction that put the end joint on the target
// (or as near as the limb reaches), the middle joint turned towards
// `jointFaces`.
LimbSpec Reach(Vec3 root, float upperLength, float lowerLength, Vec3 target, Vec3 jointFaces) {
  const Vec3 toTarget = target - root;
  const float d =
      Clamp(Length(toTarget), std::fabs(upperLength - lowerLength) + 1e-3f, upperLength + lowerLength - 1e-3f);
  const Vec3 direction = Normalize(toTarget);
  const float inner = std::acos(
      Clamp((upperLength * upperLength + lowerLength * lowerLength - d * d) / (2.0f * upperLength * lowerLength), -1.0f,
            1.0f));
  const float lift = std::acos(
      Clamp((upperLength * upperLength + d * d - lowerLength * lowerLength) / (2.0f * upperLength * d), -1.0f, 1.0f));
  const Vec3 side = Normalize(jointFaces - direction * Dot(jointFaces, direction), AnyPerpendicular(direction));
  LimbSpec limb;
  limb.upper = direction * std::cos(lift) + side * std::sin(lift);
  limb.bend = (kPi - inner) / kDegrees;
  limb.lower = root + direction * d - (root + limb.upper * upperLength);
  return limb;
}

// The rotation taking the orthonormal pair (a1, a2) onto (b1, b2 made
// perpendicular to b1).
Mat3 AlignPair(Vec3 a1, Vec3 a2, Vec3 b1, Vec3 b2) {
  a1 = Normalize(a1);
  a2 = Normalize(a2 - a1 * Dot(a1, a2));
  b1 = Normalize(b1);
  b2 = Normalize(b2 - b1 * Dot(b1, b2));
  Mat3 from, to;
  from.r[0] = a1;
  from.r[1] = a2;
  from.r[2] = Cross(a1, a2);
  to.r[0] = b1;
  to.r[1] = b2;
  to.r[2] = Cross(b1, b2);
  return Transpose(from) * to;
}

Mat3 Euler(Vec3 degrees) {
  return RotationYawPitchRoll(degrees.x * kDegrees, degrees.y * kDegrees, degrees.z * kDegrees);
}

// Where the weapon arm's upper bone turns and how the hand is held.
struct BladeHold {
  Mat3 upper;  // world rotation of the upper arm
  Mat3 hand;   // world rotation of the hand
};

// The weapon hand holds the blade along `blade`. The arm may swivel about
// the line from shoulder to wrist (`shoulderToWrist`: the wrist stays put,
// the elbow moves round) by up to 60 degrees, and the blade may roll about
// its own axis: of all these, take the hold that needs the least turn at the
// wrist, with the edge as near `edge` as that allows.
BladeHold HoldBlade(const Mat3& upper, const Mat3& elbowLocal, Vec3 shoulderToWrist, Vec3 bladeDirection,
                    Vec3 edgeDirection) {
  // The blade in the hand's frame is the attachment's model +Y; the edge
  // faces the model's -Z: in the hand, along the forearm, away from the
  // elbow (the hold of a hammer grip).
  const Attachment weapon = WeaponAttachment();
  const Vec3 bladeInHand = Normalize(weapon.rotation.r[1]);
  const Vec3 edgeInHand = Normalize(-weapon.rotation.r[2]);
  const Vec3 axis = Normalize(shoulderToWrist);
  const Vec3 blade = Normalize(bladeDirection);
  const Vec3 edgeAcross = Normalize(edgeDirection - blade * Dot(edgeDirection, blade), AnyPerpendicular(blade));
  float bestCost = 1e9f;
  BladeHold best{upper, Mat3{}};
  for (int roll = 0; roll < 36; ++roll) {
    const Vec3 edge = edgeAcross * RotationAxis(blade, static_cast<float>(roll) * 10.0f * kDegrees);
    const float edgeMiss = std::acos(Clamp(Dot(edge, edgeAcross), -1.0f, 1.0f));
    const Mat3 held = AlignPair(bladeInHand, edgeInHand, blade, edge);
    for (int step = -12; step <= 12; ++step) {
      const Mat3 swivelled = upper * RotationAxis(axis, static_cast<float>(step) * 5.0f * kDegrees);
      const Mat3 handLocal = held * Transpose(elbowLocal * swivelled);
      const float trace = handLocal.r[0].x + handLocal.r[1].y + handLocal.r[2].z;
      const float cost = std::acos(Clamp((trace - 1.0f) * 0.5f, -1.0f, 1.0f)) + 0.35f * edgeMiss;
      if (cost < bestCost - 1e-5f) {
        bestCost = cost;
        best = BladeHold{swivelled, held};
      }
    }
  }
  return best;
}

}  // namespace

std::vector<Mat3> SolvePose(const Skeleton& skeleton, const PoseSpec& spec) {
  const std::size_t count = skeleton.bones.size();
  std::vector<Mat3> local(count), world(count);
  std::vector<Vec3> position(count);
  auto bone = [&](int index) -> const Bone& { return skeleton.bones[static_cast<std::size_t>(index)]; };
  auto update = [&](int index) {
    const std::size_t i = static_cast<std::size_t>(index);
    const int parent = bone(index).parent;
    if (parent < 0) {
      world[i] = local[i];
      position[i] = bone(index).offset;
    } else {
      const std::size_t p = static_cast<std::size_t>(parent);
      world[i] = local[i] * world[p];
      position[i] = bone(index).offset * world[p] + position[p];
    }
  };
  auto setLocal = [&](int index, const Mat3& rotation) {
    local[static_cast<std::size_t>(index)] = rotation;
    update(index);
  };
  auto setWorld = [&](int index, const Mat3& rotation) {
    const int parent = bone(index).parent;
    local[static_cast<std::size_t>(index)] =
        parent < 0 ? rotation : rotation * Transpose(world[static_cast<std::size_t>(parent)]);
    update(index);
  };
  // Places a limb: the upper bone (and its half-rotation helper) and the
  // middle joint, from its spec; `middleLocal` turns a bend angle into the
  // middle joint's local rotation.
  auto placeLimb = [&](LimbSpec limb, int upper, int helper, int middle, int end, Vec3 bind,
                       Mat3 (*middleLocal)(float radians)) {
    if (limb.reach) {
      const int parent = bone(upper).parent;
      const Vec3 root =
          bone(upper).offset * world[static_cast<std::size_t>(parent)] + position[static_cast<std::size_t>(parent)];
      limb = Reach(root, Length(bone(middle).offset), Length(bone(end).offset), limb.target, limb.jointFaces);
    }
    const Mat3 bend = middleLocal(limb.bend * kDegrees);
    setWorld(upper, AimLimb(bind, limb.upper, bend, limb.lower));
    setLocal(helper, local[static_cast<std::size_t>(upper)]);
    setLocal(middle, bend);
  };
  setLocal(kRoot, SpineRotation(spec.root));
  setLocal(kWaist, SpineRotation(spec.waist));
  setLocal(kChest, SpineRotation(spec.chest));
  setLocal(kNeck, SpineRotation(spec.neck));

  // Elbows bend the forearm forward in the bind pose: about +Y on the left,
  // -Y on the right; knees bend the shin backwards (towards +Z).
  placeLimb(spec.left.limb, kLShould, kLShouldHalf, kLElbow, kLHand, Vec3{1, 0, 0},
            [](float a) { return RotationY(a); });
  placeLimb(spec.right.limb, kRShould, kRShouldHalf, kRElbow, kRHand, Vec3{-1, 0, 0},
            [](float a) { return RotationY(-a); });
  for (int side = 0; side < 2; ++side) {
    const ArmSpec& arm = side == 0 ? spec.left : spec.right;
    const int should = side == 0 ? kLShould : kRShould, elbow = side == 0 ? kLElbow : kRElbow;
    const int hand = side == 0 ? kLHand : kRHand;
    if (!arm.aimBlade) {
      setLocal(hand, Euler(arm.wrist));
      continue;
    }
    const Vec3 wristPosition =
        bone(hand).offset * world[static_cast<std::size_t>(elbow)] + position[static_cast<std::size_t>(elbow)];
    const BladeHold hold = HoldBlade(world[static_cast<std::size_t>(should)], local[static_cast<std::size_t>(elbow)],
                                     wristPosition - position[static_cast<std::size_t>(should)], arm.blade, arm.edge);
    setWorld(should, hold.upper);
    setLocal(side == 0 ? kLShouldHalf : kRShouldHalf, local[static_cast<std::size_t>(should)]);
    setLocal(elbow, local[static_cast<std::size_t>(elbow)]);
    setWorld(hand, hold.hand);
  }
  placeLimb(spec.leftLeg.limb, kLHip, kLHipHalf, kLKnee, kLFoot, Vec3{0, -1, 0}, [](float a) { return RotationX(-a); });
  placeLimb(spec.rightLeg.limb, kRHip, kRHipHalf, kRKnee, kRFoot, Vec3{0, -1, 0},
            [](float a) { return RotationX(-a); });
  for (int side = 0; side < 2; ++side) {
    const LegSpec& leg = side == 0 ? spec.leftLeg : spec.rightLeg;
    setWorld(side == 0 ? kLFoot : kRFoot, RotationYawPitchRoll(leg.toeTurn * kDegrees, -leg.toeDown * kDegrees, 0.0f));
  }
  return local;
}

PosedSkeleton PoseSkeleton(const Skeleton& skeleton, const std::vector<Mat3>& localRotations) {
  PosedSkeleton posed;
  const std::size_t count = skeleton.bones.size();
  posed.local = localRotations;
  posed.local.resize(count);
  posed.world.resize(count);
  posed.position.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Bone& bone = skeleton.bones[i];
    if (bone.parent < 0) {
      posed.world[i] = posed.local[i];
      posed.position[i] = bone.offset;
    } else {
      const std::size_t parent = static_cast<std::size_t>(bone.parent);
      posed.world[i] = posed.local[i] * posed.world[parent];
      posed.position[i] = bone.offset * posed.world[parent] + posed.position[parent];
    }
  }
  return posed;
}

Rotation ToYawPitchRoll(const Mat3& m) {
  // m = Rz(roll) * Rx(pitch) * Ry(yaw): its third row is
  // (cos p sin y, -sin p, cos p cos y) and its second column holds
  // (sin r cos p, cos r cos p, -sin p).
  Rotation r;
  const float sp = Clamp(-m.r[2].y, -1.0f, 1.0f);
  r.pitch = std::asin(sp);
  if (std::fabs(sp) < 0.99999f) {
    r.yaw = std::atan2(m.r[2].x, m.r[2].z);
    r.roll = std::atan2(m.r[0].y, m.r[1].y);
  } else {
    // Pitch of +-90 degrees: only yaw - roll (or yaw + roll) is defined.
    r.roll = 0.0f;
    r.yaw = std::atan2(-m.r[0].z, m.r[0].x);
  }
  return r;
}

Mat3 FromYawPitchRoll(const Rotation& r) { return RotationYawPitchRoll(r.yaw, r.pitch, r.roll); }

std::vector<Mat3> PoseRotations(const Skeleton& skeleton, const PoseLibrary& poses, int pose) {
  std::vector<Mat3> local(skeleton.bones.size());
  if (pose < 0 || pose >= static_cast<int>(poses.poses.size())) return local;
  for (std::size_t bone = 0; bone < skeleton.bones.size(); ++bone) {
    const int channel = poses.FindChannel(skeleton.bones[bone].name);
    if (channel >= 0)
      local[bone] =
          FromYawPitchRoll(poses.poses[static_cast<std::size_t>(pose)].rotations[static_cast<std::size_t>(channel)]);
  }
  return local;
}

}  // namespace assetgen
