#include "FighterPoses.h"

#include <cmath>

namespace assetgen {

namespace {

// ------------------------------------------------------------- the poses --
//
// Character space: +X is the fighter's left, +Y up, -Z forward; the pelvis
// at the origin, standing ankles at y = -3.5. The stance is orthodox: left
// side and left foot forward, the machete in the right hand, kicks with the
// left (lead) leg, throws with the left hand.

Vec3 D(float x, float y, float z) { return Normalize(Vec3{x, y, z}); }

LimbSpec Aim(Vec3 upper, float bend, Vec3 lower) {
  LimbSpec limb;
  limb.upper = upper;
  limb.bend = bend;
  limb.lower = lower;
  return limb;
}

LimbSpec ReachTo(Vec3 target, Vec3 jointFaces) {
  LimbSpec limb;
  limb.reach = true;
  limb.target = target;
  limb.jointFaces = jointFaces;
  return limb;
}

ArmSpec Arm(LimbSpec limb, Vec3 wrist = {}) {
  ArmSpec a;
  a.limb = limb;
  a.wrist = wrist;
  return a;
}

ArmSpec WeaponArm(LimbSpec limb, Vec3 blade, Vec3 edge) {
  ArmSpec a;
  a.limb = limb;
  a.aimBlade = true;
  a.blade = blade;
  a.edge = edge;
  return a;
}

LegSpec Leg(LimbSpec limb, float toeTurn, float toeDown) {
  LegSpec l;
  l.limb = limb;
  l.toeTurn = toeTurn;
  l.toeDown = toeDown;
  return l;
}

// Ankles on the ground of the stance (both feet planted at the same height).
constexpr float kGround = -3.3f;

// The guard of the idle poses: the left fist up in front of the chin, the
// machete held low and forward, point up.
ArmSpec GuardLeft(float lift) { return Arm(ReachTo({0.66f, 2.0f + lift, -1.65f}, D(0.5f, -1.0f, 0.1f)), {0, 0, -10}); }

ArmSpec WeaponReady(float lift) {
  return WeaponArm(ReachTo({-1.1f, 1.4f + lift, -1.3f}, D(-0.6f, -1.0f, 0.3f)), D(0.15f, 0.9f, -0.4f),
                   D(0.2f, -0.4f, -0.9f));
}

// A running leg from its swing angle (degrees forward from straight down),
// the knee's bend and the foot's tilt.
LegSpec RunLeg(bool left, float swing, float knee, float toeDown) {
  const float a = swing * kDegrees;
  return Leg(Aim(D(left ? 0.05f : -0.05f, -std::cos(a), -std::sin(a)), knee, D(0.0f, -1.0f, 1.0f)), 0.0f, toeDown);
}

// A running arm from its swing angle (forward positive); elbows stay bent.
ArmSpec RunArm(bool left, float swing) {
  const float a = swing * kDegrees;
  const LimbSpec limb =
      Aim(D(left ? 0.22f : -0.22f, -std::cos(a), -std::sin(a)), 95.0f, D(left ? -0.2f : 0.2f, 0.4f, -1.0f));
  if (left) return Arm(limb);
  return WeaponArm(limb, D(0.35f, 0.7f + 0.4f * std::sin(a), -0.6f), D(0.0f, -0.6f, -0.8f));
}

// One key of the run cycle. Phase 0 is the left foot's contact; the cycle
// is symmetric, so the right leg repeats the left one half a cycle later,
// and playing the keys backwards is a cycle too.
PoseSpec RunKey(const char* name, int phase) {
  // Per phase of a leg: swing, knee, toes down.
  static const float kLeg[6][3] = {
      {32.0f, 18.0f, -12.0f},  // contact, heel first
      {4.0f, 42.0f, 0.0f},     // mid stance, loaded
      {-26.0f, 22.0f, 30.0f},  // toe off
      {-22.0f, 78.0f, 35.0f},  // the foot leaves the ground, folding
      {14.0f, 108.0f, 25.0f},  // swinging through, heel high
      {44.0f, 62.0f, 5.0f},    // reaching forward
  };
  const float* l = kLeg[phase % 6];
  const float* r = kLeg[(phase + 3) % 6];
  // The pelvis turns with the forward leg, the shoulders against it.
  const float turn = std::cos(static_cast<float>(phase) * kPi / 3.0f);
  PoseSpec p{};
  p.name = name;
  p.root = {10.0f, 9.0f * turn, 0.0f};
  p.waist = {5.0f, -7.0f * turn, 0.0f};
  p.chest = {3.0f, -9.0f * turn, 0.0f};
  p.neck = {-14.0f, 7.0f * turn, 0.0f};
  // Arms swing against the legs.
  p.left = RunArm(true, -l[0] * 0.9f);
  p.right = RunArm(false, -r[0] * 0.9f);
  p.leftLeg = RunLeg(true, l[0], l[1], l[2]);
  p.rightLeg = RunLeg(false, r[0], r[1], r[2]);
  return p;
}

std::vector<PoseSpec> FighterPoseSpecs() {
  std::vector<PoseSpec> specs;

  // Guarded stance, turned a little to the right, knees soft, the back heel
  // up; the head turns back to the opponent.
  PoseSpec idle1{};
  idle1.name = "idle1";
  idle1.root = {6.0f, 16.0f, 0.0f};
  idle1.waist = {4.0f, 5.0f, 0.0f};
  idle1.chest = {4.0f, 5.0f, 0.0f};
  idle1.neck = {-10.0f, -24.0f, 0.0f};
  idle1.left = GuardLeft(0.0f);
  idle1.right = WeaponReady(0.0f);
  idle1.leftLeg = Leg(ReachTo({0.75f, kGround, -0.75f}, D(0.1f, 0.0f, -1.0f)), 12.0f, 0.0f);
  idle1.rightLeg = Leg(ReachTo({-0.62f, kGround + 0.1f, 0.95f}, D(-0.2f, 0.0f, -1.0f)), 45.0f, 14.0f);
  specs.push_back(idle1);

  // Breathing in: chest up and open, fists lifted, knees a little straighter.
  PoseSpec idle2 = idle1;
  idle2.name = "idle2";
  idle2.waist.bend = 2.0f;
  idle2.chest.bend = -1.0f;
  idle2.neck.bend = -7.0f;
  idle2.left = GuardLeft(0.06f);
  idle2.right = WeaponReady(0.06f);
  idle2.leftLeg = Leg(ReachTo({0.75f, kGround - 0.06f, -0.75f}, D(0.1f, 0.0f, -1.0f)), 12.0f, 0.0f);
  idle2.rightLeg = Leg(ReachTo({-0.62f, kGround + 0.04f, 0.95f}, D(-0.2f, 0.0f, -1.0f)), 45.0f, 14.0f);
  specs.push_back(idle2);

  const char* runNames[6] = {"run1", "run2", "run3", "run4", "run5", "run6"};
  for (int i = 0; i < 6; ++i) specs.push_back(RunKey(runNames[i], i));

  // Deep crouch: hips and knees folded, the back bent forward, head up, the
  // guard kept.
  PoseSpec crouch{};
  crouch.name = "crouch";
  crouch.root = {24.0f, 8.0f, 0.0f};
  crouch.waist = {10.0f, 4.0f, 0.0f};
  crouch.chest = {6.0f, 4.0f, 0.0f};
  crouch.neck = {-32.0f, -14.0f, 0.0f};
  crouch.left = Arm(ReachTo({0.68f, 1.65f, -2.25f}, D(0.5f, -1.0f, 0.1f)), {0, 0, -10});
  crouch.right =
      WeaponArm(ReachTo({-1.1f, 1.0f, -1.9f}, D(-0.6f, -1.0f, 0.3f)), D(0.15f, 0.9f, -0.4f), D(0.2f, -0.4f, -0.9f));
  crouch.leftLeg = Leg(ReachTo({0.85f, -1.95f, -0.45f}, D(0.3f, 0.0f, -1.0f)), 10.0f, 0.0f);
  crouch.rightLeg = Leg(ReachTo({-0.8f, -1.8f, 0.8f}, D(-0.3f, 0.0f, -1.0f)), 35.0f, 25.0f);
  specs.push_back(crouch);

  // Airborne: knees drawn up unevenly, arms out for balance.
  PoseSpec fly{};
  fly.name = "fly";
  fly.root = {8.0f, 0.0f, 0.0f};
  fly.waist = {6.0f, 0.0f, 0.0f};
  fly.chest = {2.0f, 0.0f, 0.0f};
  fly.neck = {-12.0f, 0.0f, 0.0f};
  fly.left = Arm(Aim(D(0.85f, 0.3f, -0.3f), 45.0f, D(0.3f, 0.8f, -0.5f)), {0, 0, 10});
  fly.right = WeaponArm(Aim(D(-0.85f, 0.25f, -0.1f), 45.0f, D(-0.3f, 0.8f, -0.5f)), D(0.4f, 0.7f, -0.6f),
                        D(0.2f, -0.6f, -0.8f));
  fly.leftLeg = Leg(Aim(D(0.15f, -0.6f, -0.8f), 95.0f, D(0.0f, -1.0f, 0.3f)), 0.0f, 30.0f);
  fly.rightLeg = Leg(Aim(D(-0.1f, -0.95f, -0.2f), 70.0f, D(0.0f, -1.0f, 1.0f)), 0.0f, 35.0f);
  specs.push_back(fly);

  // Front kick with the lead leg. First the chamber: the knee pulled up to
  // hip height, the shin hanging, the body over the standing leg, leaning
  // back a little.
  PoseSpec kick1{};
  kick1.name = "kick1";
  kick1.root = {-8.0f, 4.0f, 0.0f};
  kick1.waist = {-4.0f, 2.0f, 0.0f};
  kick1.chest = {2.0f, 0.0f, 0.0f};
  kick1.neck = {6.0f, -4.0f, 0.0f};
  kick1.left = GuardLeft(0.1f);
  kick1.right =
      WeaponArm(ReachTo({-1.85f, 1.1f, 0.6f}, D(-0.5f, -0.3f, 1.0f)), D(-0.2f, 0.8f, -0.5f), D(0.0f, -0.5f, -0.8f));
  kick1.leftLeg = Leg(Aim(D(0.08f, 0.05f, -1.0f), 122.0f, D(0.0f, -1.0f, 0.2f)), 0.0f, 55.0f);
  kick1.rightLeg = Leg(ReachTo({-0.6f, kGround, 0.2f}, D(-0.2f, 0.0f, -1.0f)), 25.0f, 0.0f);
  specs.push_back(kick1);

  // The kick: the leg driven out straight at hip height, the foot leading,
  // the body leaning back as the counterweight.
  PoseSpec kick2 = kick1;
  kick2.name = "kick2";
  kick2.root = {-14.0f, 2.0f, 0.0f};
  kick2.waist = {-6.0f, 0.0f, 0.0f};
  kick2.chest = {-2.0f, 0.0f, 0.0f};
  kick2.neck = {16.0f, -2.0f, 0.0f};
  kick2.left = Arm(ReachTo({0.66f, 2.05f, -1.15f}, D(0.5f, -1.0f, 0.1f)), {0, 0, -10});
  kick2.leftLeg = Leg(Aim(D(0.04f, 0.02f, -1.0f), 4.0f, D(0.0f, -1.0f, 0.2f)), 0.0f, -10.0f);
  kick2.rightLeg = Leg(ReachTo({-0.62f, kGround, 0.35f}, D(-0.2f, 0.0f, -1.0f)), 25.0f, 0.0f);
  specs.push_back(kick2);

  // Overhead chop. Raised: the machete high behind the head, edge up, the
  // body stretched back and turned right, the left hand forward.
  PoseSpec v1{};
  v1.name = "attack_v1";
  v1.root = {-4.0f, 18.0f, 0.0f};
  v1.waist = {-5.0f, 8.0f, 0.0f};
  v1.chest = {-6.0f, 8.0f, 6.0f};
  v1.neck = {8.0f, -26.0f, 0.0f};
  v1.left = Arm(ReachTo({1.0f, 1.9f, -1.7f}, D(0.6f, -1.0f, 0.0f)));
  v1.right =
      WeaponArm(ReachTo({-0.75f, 3.95f, 0.35f}, D(-1.0f, 0.2f, 0.3f)), D(0.1f, -0.35f, 1.0f), D(0.0f, 1.0f, 0.3f));
  v1.leftLeg = Leg(ReachTo({0.75f, kGround, -0.8f}, D(0.1f, 0.0f, -1.0f)), 12.0f, 0.0f);
  v1.rightLeg = Leg(ReachTo({-0.62f, kGround + 0.1f, 0.95f}, D(-0.2f, 0.0f, -1.0f)), 45.0f, 14.0f);
  specs.push_back(v1);

  // Chopped down: the arm follows through in front, blade low and forward,
  // the body folded forward over the front knee, turned left.
  PoseSpec v2{};
  v2.name = "attack_v2";
  v2.root = {14.0f, 0.0f, 0.0f};
  v2.waist = {10.0f, -8.0f, 0.0f};
  v2.chest = {8.0f, -10.0f, 0.0f};
  v2.neck = {-22.0f, 10.0f, 0.0f};
  v2.left = Arm(ReachTo({1.45f, 0.6f, -0.3f}, D(1.0f, 0.0f, 0.6f)));
  v2.right =
      WeaponArm(ReachTo({-0.5f, 0.7f, -2.6f}, D(-1.0f, -0.3f, 0.0f)), D(0.1f, -0.2f, -1.0f), D(0.0f, -1.0f, 0.2f));
  v2.leftLeg = Leg(ReachTo({0.75f, kGround + 0.3f, -1.0f}, D(0.1f, 0.0f, -1.0f)), 12.0f, 0.0f);
  v2.rightLeg = Leg(ReachTo({-0.62f, kGround + 0.3f, 0.85f}, D(-0.2f, 0.0f, -1.0f)), 45.0f, 14.0f);
  specs.push_back(v2);

  // Horizontal slash. Wound back: shoulders turned far to the right, the
  // machete held out behind at shoulder height, its edge facing the swing.
  PoseSpec h1{};
  h1.name = "attack_h1";
  h1.root = {4.0f, 18.0f, 0.0f};
  h1.waist = {2.0f, 16.0f, 0.0f};
  h1.chest = {0.0f, 18.0f, -4.0f};
  h1.neck = {-6.0f, -44.0f, 0.0f};
  h1.left = Arm(ReachTo({0.3f, 1.85f, -2.05f}, D(0.6f, -1.0f, 0.0f)));
  h1.right = WeaponArm(ReachTo({-2.0f, 2.2f, 1.9f}, D(0.0f, -1.0f, 0.0f)), D(-0.6f, 0.7f, 0.4f), D(-0.8f, 0.0f, -0.3f));
  h1.leftLeg = Leg(ReachTo({0.8f, kGround, -0.7f}, D(0.1f, 0.0f, -1.0f)), 12.0f, 0.0f);
  h1.rightLeg = Leg(ReachTo({-0.7f, kGround, 0.9f}, D(-0.3f, 0.0f, -1.0f)), 55.0f, 8.0f);
  specs.push_back(h1);

  // Swept across: the body turned through to the left, the arm extended
  // across the front, the blade trailing to the left.
  PoseSpec h2{};
  h2.name = "attack_h2";
  h2.root = {6.0f, -12.0f, 0.0f};
  h2.waist = {4.0f, -14.0f, 0.0f};
  h2.chest = {2.0f, -16.0f, 4.0f};
  h2.neck = {-8.0f, 36.0f, 0.0f};
  h2.left = Arm(ReachTo({1.35f, 1.1f, 0.55f}, D(0.5f, -0.6f, 1.0f)));
  h2.right =
      WeaponArm(ReachTo({0.6f, 1.95f, -2.6f}, D(-0.3f, -1.0f, 0.0f)), D(0.3f, 0.5f, -0.8f), D(0.5f, 0.0f, 0.85f));
  h2.leftLeg = Leg(ReachTo({0.75f, kGround, -0.8f}, D(0.1f, 0.0f, -1.0f)), 12.0f, 0.0f);
  h2.rightLeg = Leg(ReachTo({-0.62f, kGround + 0.1f, 0.95f}, D(-0.2f, 0.0f, -1.0f)), 45.0f, 14.0f);
  specs.push_back(h2);

  // Overhand throw with the left hand. Drawn back: the cabbage behind the
  // head, the body turned left (left shoulder back), the right arm pointing
  // at the target, the weight on the back (left) leg.
  PoseSpec t1{};
  t1.name = "throw1";
  t1.root = {-4.0f, -20.0f, 0.0f};
  t1.waist = {-4.0f, -12.0f, 0.0f};
  t1.chest = {-6.0f, -14.0f, -6.0f};
  t1.neck = {8.0f, 40.0f, 0.0f};
  t1.left = Arm(ReachTo({1.0f, 3.2f, 1.3f}, D(1.0f, 0.2f, 0.0f)), {0, -20, 0});
  t1.right =
      WeaponArm(ReachTo({-1.0f, 2.2f, -2.1f}, D(-1.0f, -0.5f, 0.0f)), D(0.1f, 0.95f, -0.3f), D(0.0f, -0.3f, -1.0f));
  t1.leftLeg = Leg(ReachTo({0.7f, kGround + 0.1f, 0.9f}, D(0.3f, 0.0f, -1.0f)), -30.0f, 12.0f);
  t1.rightLeg = Leg(ReachTo({-0.7f, kGround, -0.95f}, D(-0.1f, 0.0f, -1.0f)), 0.0f, 0.0f);
  specs.push_back(t1);

  // Release: the left arm whipped forward and up, the body turned through to
  // the right and over the front (right) leg, the right arm pulled back.
  PoseSpec t2{};
  t2.name = "throw2";
  t2.root = {10.0f, 16.0f, 0.0f};
  t2.waist = {8.0f, 12.0f, 0.0f};
  t2.chest = {6.0f, 14.0f, 4.0f};
  t2.neck = {-18.0f, -38.0f, 0.0f};
  t2.left = Arm(ReachTo({0.45f, 2.6f, -3.0f}, D(1.0f, -0.5f, 0.0f)), {0, 25, 0});
  t2.right =
      WeaponArm(ReachTo({-1.7f, 0.9f, 0.9f}, D(-0.5f, -0.2f, 1.0f)), D(0.1f, 0.8f, -0.6f), D(0.0f, -0.6f, -0.8f));
  t2.leftLeg = Leg(ReachTo({0.7f, kGround + 0.25f, 1.0f}, D(0.3f, 0.0f, -1.0f)), -20.0f, 25.0f);
  t2.rightLeg = Leg(ReachTo({-0.7f, kGround, -0.95f}, D(-0.1f, 0.0f, -1.0f)), 5.0f, 0.0f);
  specs.push_back(t2);
  return specs;
}

}  // namespace

PoseLibrary MakeFighterPoses(const Skeleton& skeleton) {
  PoseLibrary library;
  for (const Bone& bone : skeleton.bones) library.channels.push_back(bone.name);
  for (const PoseSpec& spec : FighterPoseSpecs()) {
    const std::vector<Mat3> local = SolvePose(skeleton, spec);
    Pose pose;
    pose.name = spec.name;
    for (std::size_t bone = 0; bone < skeleton.bones.size(); ++bone) {
      pose.rotations.push_back(ToYawPitchRoll(local[static_cast<std::size_t>(ChannelSource(static_cast<int>(bone)))]));
    }
    library.poses.push_back(pose);
  }
  return library;
}

}  // namespace assetgen
