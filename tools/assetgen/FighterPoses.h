#pragma once
// The fighter's 18 poses, designed in the character's own space the way an
// animator blocks key poses (PoseSolver.h), stored as the yaw, pitch and
// roll of every bone's local rotation.

#include "AnimFiles.h"
#include "PoseSolver.h"

namespace assetgen {

// All poses, one channel per bone (helpers repeat their limb's rotation).
PoseLibrary MakeFighterPoses(const Skeleton& skeleton);

}  // namespace assetgen
