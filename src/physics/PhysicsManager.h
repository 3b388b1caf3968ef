#pragma once
// The one Bullet world of the game. The world is used by one thread at a
// time, and the frame is the hand-over: the main thread updates the game
// (bodies, rays, contact reports) while no step runs, StartStep lets a
// worker thread run one fixed step while the frame is drawn, and FinishStep
// at the start of the next frame waits for it. Nothing locks the world;
// every operation except Execute is for the main thread between FinishStep
// and the next StartStep.

#include <cstdint>
#include <string>
#include <vector>

#include "BulletCollision/CollisionDispatch/btCollisionWorld.h"
#include "LinearMath/btIDebugDraw.h"
#include "frame/ThreadBase.h"
#include "physics/BodyHandle.h"
#include "physics/PeBodySource.h"
#include "platform/d3dx9/D3dxMath.h"

class DebugDrawSystem;
class ID3DXMesh;
class btCollisionDispatcher;
class btDbvtBroadphase;
class btDefaultCollisionConfiguration;
class btDiscreteDynamicsWorld;
class btPersistentManifold;
class btSequentialImpulseConstraintSolver;

class PhysicsManager : public ThreadBase {
 public:
  // Receives every hit of RayTestAll, in Bullet's traversal order.
  class CallbackRayHit {
   public:
    virtual ~CallbackRayHit() = default;
    virtual void OnRayHit(const D3DXVECTOR3& point, const D3DXVECTOR4& normal,
                          const btCollisionWorld::LocalRayResult& result) = 0;
  };

  // Receives one report per touching pair of the last step (ReportImpacts).
  class CallbackImpact {
   public:
    virtual ~CallbackImpact() = default;
    virtual void OnImpact(const btCollisionObject* a, const btCollisionObject* b, const D3DXVECTOR3& point,
                          float impulse, btPersistentManifold* manifold) = 0;
  };

  // The world's debug drawer: turns Bullet's wireframes, boxes, constraint
  // frames and contact points into timed lines and circles of the target,
  // held for one frame. Drawing is not allowed while a step runs, so nothing
  // Bullet draws from the worker thread reaches the render side.
  class BulletDebugDraw : public btIDebugDraw {
   public:
    void drawLine(const btVector3& from, const btVector3& to, const btVector3& color) override;
    void drawSphere(btScalar radius, const btTransform& transform, const btVector3& color) override;
    void drawContactPoint(const btVector3& pointOnB, const btVector3& normalOnB, btScalar distance, int lifeTime,
                          const btVector3& color) override;
    // To the debug output, never to a message box.
    void reportErrorWarning(const char* warning) override;
    void draw3dText(const btVector3& location, const char* text) override;
    void setDebugMode(int mode) override { debugMode = mode; }
    int getDebugMode() const override { return debugMode; }

    DebugDrawSystem* target = nullptr;
    int debugMode = 0;
    bool drawingAllowed = true;
  };

  // Bullet's debug modes: the simple wireframe, and the full view that adds
  // bounding boxes, constraint frames and constraint limits.
  static constexpr int kDebugModeSimple = 0x1;
  static constexpr int kDebugModeFull = 0x1803;

  PhysicsManager() = default;
  // Joins a step still in flight and releases the world.
  ~PhysicsManager() override;

  // Builds the world and installs the per-triangle material combiner. False
  // when the world was not made; the manager then stays empty. A manager
  // that has a world keeps it.
  bool Init();
  // Deletes the world objects. Bodies and sources must have been removed.
  void Release();
  bool IsInitialized() const { return world_ != nullptr; }

  // Also keeps the vector's length, which scales the sleeping threshold of
  // the sources made afterwards (with or without a world).
  void SetGravity(const D3DXVECTOR3& gravity);
  float GetGravityMagnitude() const { return gravityMagnitude_; }
  void SetStepTiming(float timeStep, float fixedTimeStep, float stepsPerSecond, int maxSubSteps);
  float GetTimeStep() const { return timeStep_; }
  float GetFixedTimeStep() const { return fixedTimeStep_; }
  // Turns a displacement per step into a velocity.
  float GetStepsPerSecond() const { return stepsPerSecond_; }
  int GetMaxSubSteps() const { return maxSubSteps_; }

  // Starts one simulation step on a new worker thread. If the thread cannot
  // start, that frame has no step.
  void StartStep();
  // Waits for the step in flight, if any, then lets the world draw itself
  // when a debug target is set.
  void FinishStep();
  // The world's debug drawing into the target, if one is set and no step
  // runs. FinishStep does it after each join; a paused frame, which joins
  // nothing, calls it so that the frozen world stays visible.
  void DrawDebugWorld();
  bool IsStepInFlight() const { return stepInFlight_; }
  // Sends the world's debug drawing to the target from the next join on,
  // in the simple or the full mode; null switches it off.
  void SetDebugDraw(DebugDrawSystem* target, bool simple);

  // Creates a body from the source at a Direct3D world matrix (row vectors,
  // translation in the fourth row) and adds it with the source's group and
  // mask. *handle gets the new handle, which the caller keeps and gives
  // back to RemoveBody. False without a world or a prepared source.
  bool AddBody(const D3DXMATRIX& world, PeBodySource* source, BodyHandle** handle);
  // Takes the body out of the world, deletes it and its handle, nulls handle.
  void RemoveBody(BodyHandle*& handle);

  // "CollisionObjs:%d (Sleep:%d Static:%d) / Constraints:%d".
  void GetStatistics(std::string& out) const;

  // Body sources. Each factory hands the new source to the caller, who
  // destroys it with DestroySource once its bodies are removed.
  bool CreateBox(PeBodySource** out, float mass, float damping, float sleepingFactor, float halfX, float halfY,
                 float halfZ);
  bool CreateSphere(PeBodySource** out, float mass, float damping, float sleepingFactor, float radius);
  // A hull over every vertex of the mesh; it keeps the vertices on its
  // surface, which answer every support query as all of them would. False
  // when the vertex buffer does not lock or has no position.
  bool CreateConvexHull(ID3DXMesh* mesh, PeBodySource** out, float mass, float damping, float sleepingFactor,
                        float scale);
  // A static map from the mesh. materialMap gives a physics material per
  // mesh attribute id; it is extended with Univ up to the largest id used.
  // False when a buffer does not lock, the mesh has no position or no face,
  // an index is no vertex, an attribute id is beyond kMaxAttributeId, or a
  // map entry is no row of the material table.
  bool CreateTriMesh(PeBodySource** out, std::vector<std::int32_t>& materialMap, ID3DXMesh* mesh, float scale);
  // Prepares the construction info of a box, sphere or hull source: inertia
  // from its mass, friction and restitution of its material, damping and
  // the sleeping thresholds.
  bool FinishSource(PeBodySource* source, float damping, float sleepingFactor);
  void DestroySource(PeBodySource*& source);

  static constexpr int kMaxAttributeId = 0xFFFF;

  // Rays. Masks select the collision groups a ray can meet.
  // True when anything is met.
  bool RayTestAny(const D3DXVECTOR3& start, const D3DXVECTOR3& end, std::uint16_t mask);
  // The nearest object met, or null; then the outputs (each may be null) get
  // the hit point, the world normal (w 0) and the physics material of the
  // surface (a map's per-triangle material). Untouched on a miss. Bullet
  // hands out hit objects as const; GetBodyHandle leads to the body itself.
  const btCollisionObject* RayTestClosest(const D3DXVECTOR3& start, const D3DXVECTOR3& end, D3DXVECTOR3* hitPoint,
                                          D3DXVECTOR4* hitNormal, int* material, std::uint16_t mask);
  // Every hit along the ray, each given to receiver.
  void RayTestAll(const D3DXVECTOR3& start, const D3DXVECTOR3& end, CallbackRayHit* receiver);
  // One report per contact manifold of the last step that has contacts and
  // at least one awake body: the mean contact point and applied impulse.
  // The receiver must not add or remove bodies (that changes the manifolds).
  void ReportImpacts(CallbackImpact* receiver);

  btDiscreteDynamicsWorld* GetWorld() const { return world_; }
  BulletDebugDraw& GetDebugDraw() { return debugDraw_; }

 protected:
  // One stepSimulation, on the worker thread.
  void Execute() override;

 private:
  btDiscreteDynamicsWorld* world_ = nullptr;
  btDefaultCollisionConfiguration* collisionConfiguration_ = nullptr;
  btCollisionDispatcher* dispatcher_ = nullptr;
  btDbvtBroadphase* broadphase_ = nullptr;
  btSequentialImpulseConstraintSolver* solver_ = nullptr;
  bool stepInFlight_ = false;
  float timeStep_ = 1.0f / 60.0f;
  float fixedTimeStep_ = 1.0f / 60.0f;
  float stepsPerSecond_ = 59.999996f;
  int maxSubSteps_ = 1;
  float gravityMagnitude_ = 1.0f;
  BulletDebugDraw debugDraw_;
};

// The process-wide manager (published by the application), or null.
PhysicsManager* GetPhysicsManager();
void SetPhysicsManager(PhysicsManager* manager);
