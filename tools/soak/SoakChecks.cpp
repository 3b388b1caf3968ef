#include "SoakChecks.h"

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdio>

#include "app/AppMain.h"

namespace {

// A body that sinks this far below the level's lowest point went through it.
constexpr float kBelowLevelMargin = 1.0f;
constexpr int kReportsPerKind = 3;

bool Finite(const float* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(values[i])) return false;
  }
  return true;
}

bool Finite(const btVector3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }
bool Finite(const D3DXVECTOR3& v) { return Finite(&v.x, 3); }
bool Finite(const D3DXMATRIX& m) { return Finite(&m._11, 16); }

bool IsLevel(const btCollisionObject* object) {
  return (object->getBroadphaseHandle() != nullptr &&
          (object->getBroadphaseHandle()->m_collisionFilterGroup & kGroupMap) != 0);
}

class Reporter {
 public:
  explicit Reporter(std::vector<std::string>* problems) : problems_(problems) {}
  void Add(int kind, const std::string& text) {
    if (counts_[kind]++ < kReportsPerKind) problems_->push_back(text);
  }

 private:
  std::vector<std::string>* problems_;
  int counts_[4] = {};
};

std::string Describe(const char* what, const btVector3& at) {
  char text[160];
  std::snprintf(text, sizeof(text), "%s at (%.2f %.2f %.2f)", what, at.x(), at.y(), at.z());
  return text;
}

}  // namespace

SoakCounts CountScene(AppMain& app) {
  SoakCounts counts;
  btDiscreteDynamicsWorld* world = app.GetPhysics().GetWorld();
  if (world != nullptr) {
    counts.bodies = world->getNumCollisionObjects();
    counts.joints = world->getNumConstraints();
  }
  counts.characters = static_cast<int>(app.GetCharacters().size());
  counts.props = static_cast<int>(app.GetProps().size());
  counts.billboards = static_cast<int>(app.GetBillboards().GetLiveCount());
  counts.decals = static_cast<int>(app.GetDecals().GetLiveCount());
  return counts;
}

float LevelBottom(AppMain& app) {
  float bottom = 1e30f;
  btDiscreteDynamicsWorld* world = app.GetPhysics().GetWorld();
  if (world == nullptr) return bottom;
  const btCollisionObjectArray& objects = world->getCollisionObjectArray();
  for (int i = 0; i < objects.size(); ++i) {
    if (!IsLevel(objects[i])) continue;
    btVector3 low, high;
    objects[i]->getCollisionShape()->getAabb(objects[i]->getWorldTransform(), low, high);
    bottom = std::fmin(bottom, low.y());
  }
  return bottom;
}

void CheckScene(AppMain& app, float levelBottom, std::vector<std::string>* problems) {
  Reporter report(problems);
  enum { kNotFinite = 0, kBelowLevel = 1, kBookkeeping = 2 };

  // Bodies: finite transforms and velocities, none under the level.
  btDiscreteDynamicsWorld* world = app.GetPhysics().GetWorld();
  if (world != nullptr) {
    const btCollisionObjectArray& objects = world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
      const btCollisionObject* object = objects[i];
      const btTransform& transform = object->getWorldTransform();
      const btVector3& origin = transform.getOrigin();
      bool finite = Finite(origin) && Finite(transform.getBasis()[0]) && Finite(transform.getBasis()[1]) &&
                    Finite(transform.getBasis()[2]);
      if (const btRigidBody* body = btRigidBody::upcast(object)) {
        finite = finite && Finite(body->getLinearVelocity()) && Finite(body->getAngularVelocity());
      }
      if (!finite) report.Add(kNotFinite, Describe("a body with a value that is not finite", origin));
      if (finite && !IsLevel(object) && origin.y() < levelBottom - kBelowLevelMargin) {
        report.Add(kBelowLevel, Describe("a body below the level", origin));
      }
    }
  }

  // Fighters: position and every bone of the skeleton; the camera.
  int capsules = 0, ragdolls = 0;
  for (CharacterObj* character : app.GetCharacters()) {
    capsules += character->GetCapsule().IsCreated() ? 1 : 0;
    ragdolls += character->GetRagdoll().IsCreated() ? 1 : 0;
    bool finite = Finite(*character->GetPosition()) && Finite(*character->GetDrawPosition());
    const SkinMeshEntity& skeleton = character->GetSkeleton();
    for (int n = 0; n < skeleton.GetNodeCount(); ++n) {
      const SkinMeshEntity::Node& node = skeleton.GetNodes()[n];
      finite = finite && Finite(node.local) && Finite(node.world) && Finite(node.skin);
    }
    if (!finite) {
      const D3DXVECTOR3& at = *character->GetPosition();
      report.Add(kNotFinite, Describe("a fighter with a value that is not finite", btVector3(at.x, at.y, at.z)));
    }
  }
  const CameraView& camera = app.GetCamera();
  if (!Finite(camera.eye) || !Finite(camera.viewDirection) || !Finite(camera.up) || !Finite(camera.view) ||
      !Finite(camera.projection)) {
    report.Add(kNotFinite, "a camera value that is not finite");
  }

  // The world holds exactly the bodies and joints the scene accounts for.
  const SoakCounts counts = CountScene(app);
  const int bodies = counts.props + capsules + ragdolls * PhysicsRagdoll::kPartCount;
  const int joints = ragdolls * PhysicsRagdoll::kJointCount;
  char text[200];
  if (world != nullptr && (counts.bodies != bodies || counts.joints != joints)) {
    std::snprintf(text, sizeof(text), "the world holds %d bodies and %d joints, the scene accounts for %d and %d",
                  counts.bodies, counts.joints, bodies, joints);
    report.Add(kBookkeeping, text);
  }
  if (app.GetCharacterManager().GetCount() != counts.characters) {
    std::snprintf(text, sizeof(text), "the character manager holds %d fighters, the scene lists %d",
                  app.GetCharacterManager().GetCount(), counts.characters);
    report.Add(kBookkeeping, text);
  }
}
