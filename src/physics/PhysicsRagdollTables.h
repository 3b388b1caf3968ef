#pragma once
// The ragdoll's fixed build tables: which bones each part spans and how big
// and heavy it is, and which joint links which parts with what limits.

#include "physics/PhysicsRagdoll.h"

namespace PeLocal {

struct RagdollPartRow {
  int node;             // the node the part follows
  int from;             // the part spans from this node ...
  int to;               // ... to this one; -1 for the head
  float offset[3];      // from the span's centre, in node axes, x radius
  float lengthFactor;   // of the span (of the radius for the head)
  float radiusFactor;
  float massFraction;
  bool alongX;          // a capsule along x (arms, chest), else along y
};

enum RagdollJointKind { kConeTwist, kSixDof, kHinge };

struct RagdollJointRow {
  int partA;
  int partB;
  int node;            // where the joint sits
  RagdollJointKind kind;
  float limits[6];     // degrees: cone (swing1, swing2, twist), six-dof (lower xyz, upper xyz), hinge (low, high)
  float softness;      // cone and hinge
  int frameRotation;   // 0 none, 1 elbow, 2 knee
};

extern const RagdollPartRow kRagdollParts[PhysicsRagdoll::kPartCount];
extern const RagdollJointRow kRagdollJoints[PhysicsRagdoll::kJointCount];

}  // namespace PeLocal
