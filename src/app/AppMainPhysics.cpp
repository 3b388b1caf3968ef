// Start-up and shutdown of the physics world.

#include "app/AppMain.h"

namespace {
// One fixed step of 1/60 s per frame, no catching up after a slow frame.
constexpr float kTimeStep = 1.0f / 60.0f;
constexpr float kStepsPerSecond = 59.999996f;
constexpr int kMaxSubSteps = 1;
// Four times Earth's gravity suits the scene's scale.
const D3DXVECTOR3 kGravity(0.0f, -39.24f, 0.0f);
}  // namespace

// A world that cannot be made leaves the manager empty; it then neither
// steps nor takes bodies, and the game runs without physics.
void AppMain::InitPhysics() {
  physics_.Init();
  physics_.SetStepTiming(kTimeStep, kTimeStep, kStepsPerSecond, kMaxSubSteps);
  physics_.SetGravity(kGravity);
  SetPhysicsManager(&physics_);
}

// Every body is gone by now: the world goes last among its users.
void AppMain::ReleasePhysics() {
  physics_.Release();
  if (GetPhysicsManager() == &physics_) SetPhysicsManager(nullptr);
}
