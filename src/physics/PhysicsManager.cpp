// The world's life, its step on the worker thread, the body registry and
// the statistics line.

#include "physics/PhysicsManager.h"

#include <cstdio>

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsMath.h"
#include "physics/PhysicsWorld.h"
#include "physics/SolidMapContact.h"

namespace {
PhysicsManager* g_physicsManager = nullptr;
}  // namespace

PhysicsManager* GetPhysicsManager() { return g_physicsManager; }
void SetPhysicsManager(PhysicsManager* manager) { g_physicsManager = manager; }

PhysicsManager::~PhysicsManager() {
  // The worker must not outlive the object whose Execute it runs.
  FinishStep();
  Release();
  if (g_physicsManager == this) g_physicsManager = nullptr;
}

bool PhysicsManager::Init() {
  if (world_ != nullptr) return true;  // bodies may live in it: keep it
  // Bullet's defaults: its own pools of 4096 manifolds and algorithms, EPA on.
  btDefaultCollisionConstructionInfo constructionInfo;
  collisionConfiguration_ = new btDefaultCollisionConfiguration(constructionInfo);
  dispatcher_ = new btCollisionDispatcher(collisionConfiguration_);
  broadphase_ = new btDbvtBroadphase(nullptr);
  solver_ = new btSequentialImpulseConstraintSolver;
  world_ = new PhysicsWorld(dispatcher_, broadphase_, solver_, collisionConfiguration_);
  if (world_ == nullptr) {
    Release();
    return false;
  }
  gContactAddedCallback = PeLocal::OnMapContactAdded;
  SetStepTiming(1.0f / 60.0f, 1.0f / 60.0f, 59.999996f, 1);
  gravityMagnitude_ = 1.0f;
  stepInFlight_ = false;
  debugDraw_.target = nullptr;
  return true;
}

void PhysicsManager::Release() {
  delete world_;
  delete solver_;
  delete broadphase_;
  delete dispatcher_;
  delete collisionConfiguration_;
  world_ = nullptr;
  solver_ = nullptr;
  broadphase_ = nullptr;
  dispatcher_ = nullptr;
  collisionConfiguration_ = nullptr;
}

void PhysicsManager::SetGravity(const D3DXVECTOR3& gravity) {
  if (world_ != nullptr) world_->setGravity(btVector3(gravity.x, gravity.y, gravity.z));
  gravityMagnitude_ = D3DXVec3Length(&gravity);
}

void PhysicsManager::SetStepTiming(float timeStep, float fixedTimeStep, float stepsPerSecond, int maxSubSteps) {
  timeStep_ = timeStep;
  fixedTimeStep_ = fixedTimeStep;
  stepsPerSecond_ = stepsPerSecond;
  maxSubSteps_ = maxSubSteps;
}

void PhysicsManager::Execute() {
  if (world_ != nullptr) world_->stepSimulation(timeStep_, maxSubSteps_, fixedTimeStep_);
}

void PhysicsManager::StartStep() {
  if (world_ == nullptr) return;
  debugDraw_.drawingAllowed = false;
  stepInFlight_ = true;
  Start();
}

void PhysicsManager::FinishStep() {
  if (!stepInFlight_) return;
  Wait();
  stepInFlight_ = false;
  debugDraw_.drawingAllowed = true;
  DrawDebugWorld();
}

void PhysicsManager::DrawDebugWorld() {
  if (world_ != nullptr && debugDraw_.target != nullptr && !stepInFlight_) world_->debugDrawWorld();
}

bool PhysicsManager::AddBody(const D3DXMATRIX& world, PeBodySource* source, BodyHandle** handle) {
  if (world_ == nullptr || source == nullptr || source->constructionInfo == nullptr || handle == nullptr) {
    return false;
  }
  BodyHandle* added = new BodyHandle{source, nullptr, nullptr};
  source->constructionInfo->m_startWorldTransform = ToBtTransform(world);
  // btRigidBody brings its own 16-byte aligned operator new.
  added->body = new btRigidBody(*source->constructionInfo);
  world_->addRigidBody(added->body, source->group & 0xFFFF, source->mask & 0xFFFF);
  added->body->setUserPointer(added);
  if (source->kind == PeBodySource::kKindTriMesh) {
    added->body->setCollisionFlags(added->body->getCollisionFlags() |
                                   btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
  }
  *handle = added;
  return true;
}

void PhysicsManager::RemoveBody(BodyHandle*& handle) {
  if (handle == nullptr) return;
  if (handle->body != nullptr) {
    if (world_ != nullptr) world_->removeRigidBody(handle->body);
    delete handle->body;
  }
  delete handle;
  handle = nullptr;
}

void PhysicsManager::GetStatistics(std::string& out) const {
  int objects = 0;
  int sleeping = 0;
  int statics = 0;
  int constraints = 0;
  if (world_ != nullptr) {
    const btCollisionObjectArray& array = world_->getCollisionObjectArray();
    objects = array.size();
    for (int i = 0; i < objects; ++i) {
      const btCollisionObject* object = array[i];
      // Bullet puts static bodies to sleep when they are added; they count
      // as static only.
      if (object->getCollisionFlags() & btCollisionObject::CF_STATIC_OBJECT) {
        ++statics;
      } else if (object->getActivationState() == ISLAND_SLEEPING ||
                 object->getActivationState() == DISABLE_SIMULATION) {
        ++sleeping;
      }
    }
    constraints = world_->getNumConstraints();
  }
  char text[512];
  std::snprintf(text, sizeof(text), "CollisionObjs:%d (Sleep:%d Static:%d) / Constraints:%d", objects, sleeping,
                statics, constraints);
  out = text;
}
