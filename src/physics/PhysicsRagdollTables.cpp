// The ragdoll's parts and joints. Mass fractions sum to 1; hands and feet
// have no part and follow their parents.

#include "physics/PhysicsRagdollTables.h"

namespace PeLocal {

using R = PhysicsRagdoll;

const RagdollPartRow kRagdollParts[PhysicsRagdoll::kPartCount] = {
    {R::kNeck, R::kNeck, -1, {0.0f, 1.3f, 0.0f}, 1.0f, 0.25f, 0.13f, false},                       // head
    {R::kChest, R::kLeftShoulder, R::kRightShoulder, {0.0f, -0.3f, 0.0f}, 0.8f, 0.35f, 0.11f, true},  // chest
    {R::kRoot, R::kRoot, R::kChest, {0.0f, -0.4f, 0.0f}, 1.2f, 0.36f, 0.12f, false},               // pelvis
    {R::kLeftShoulder, R::kLeftShoulder, R::kLeftElbow, {0.0f, 0.0f, 0.0f}, 1.0f, 0.2f, 0.07f, true},
    {R::kRightShoulder, R::kRightShoulder, R::kRightElbow, {0.0f, 0.0f, 0.0f}, 1.0f, 0.2f, 0.07f, true},
    {R::kLeftElbow, R::kLeftElbow, R::kLeftHand, {0.8f, -0.1f, 0.0f}, 1.3f, 0.18f, 0.07f, true},
    {R::kRightElbow, R::kRightElbow, R::kRightHand, {-0.8f, -0.1f, 0.0f}, 1.3f, 0.18f, 0.07f, true},
    {R::kLeftHip, R::kLeftHip, R::kLeftKnee, {0.1f, 0.2f, 0.0f}, 0.95f, 0.27f, 0.09f, false},
    {R::kRightHip, R::kRightHip, R::kRightKnee, {-0.1f, 0.2f, 0.0f}, 0.95f, 0.27f, 0.09f, false},
    {R::kLeftKnee, R::kLeftKnee, R::kLeftFoot, {0.0f, 0.0f, 0.1f}, 0.95f, 0.23f, 0.09f, false},
    {R::kRightKnee, R::kRightKnee, R::kRightFoot, {0.0f, 0.0f, 0.1f}, 0.95f, 0.23f, 0.09f, false},
};

const RagdollJointRow kRagdollJoints[PhysicsRagdoll::kJointCount] = {
    {0, 1, R::kNeck, kConeTwist, {45, 85, 50, 0, 0, 0}, 0.5f, 0},
    {1, 2, R::kChest, kConeTwist, {35, 35, 50, 0, 0, 0}, 0.7f, 0},
    {1, 3, R::kLeftShoulder, kSixDof, {-85, -110, -20, 85, 30, 100}, 0.0f, 0},
    {1, 4, R::kRightShoulder, kSixDof, {-85, -30, -100, 85, 110, 20}, 0.0f, 0},
    {3, 5, R::kLeftElbow, kHinge, {0, 125, 0, 0, 0, 0}, 0.9f, 1},
    {4, 6, R::kRightElbow, kHinge, {-125, 0, 0, 0, 0, 0}, 0.9f, 1},
    {2, 7, R::kLeftHip, kSixDof, {-100, -40, -40, 30, 75, 30}, 0.0f, 0},
    {2, 8, R::kRightHip, kSixDof, {-100, -75, -30, 30, 40, 40}, 0.0f, 0},
    {7, 9, R::kLeftKnee, kHinge, {0, 135, 0, 0, 0, 0}, 0.9f, 2},
    {8, 10, R::kRightKnee, kHinge, {0, 135, 0, 0, 0, 0}, 0.9f, 2},
};

}  // namespace PeLocal
