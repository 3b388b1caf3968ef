#include "SoakChecks.h"

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdio>
#include <iterator>

#include "app/AppMain.h"

namespace {

// A body that sinks this far below the level's lowest point has left it.
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

// What a body is: the level, a prop of a kind, a fighter's capsule or a
// ragdoll part.
std::string BodyName(AppMain& app, const btCollisionObject* object) {
  static const char* const kPropNames[kPropKindCount] = {"the level", "a cabbage", "a large cabbage", "a crate",
                                                         "a ball"};
  const BodyHandle* handle = GetBodyHandle(object);
  const PeBodySource* source = handle != nullptr ? handle->source : nullptr;
  if (source == nullptr) return "a body without a source";
  if (source->IsCharacter()) return "a fighter's capsule";
  if (source->IsRagdoll()) return "a ragdoll part";
  for (int kind = 0; kind < kPropKindCount; ++kind) {
    if (app.GetPropKind(kind).source == source) return kPropNames[kind];
  }
  return "a body";
}

std::string Describe(const std::string& what, const btVector3& at, const btVector3& velocity) {
  char text[200];
  std::snprintf(text, sizeof(text), "%s at (%.2f %.2f %.2f) moving (%.1f %.1f %.1f)", what.c_str(), at.x(), at.y(),
                at.z(), velocity.x(), velocity.y(), velocity.z());
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

void FallWatch::Start(AppMain& app) {
  tracks_.clear();
  reported_.clear();
  btDiscreteDynamicsWorld* world = app.GetPhysics().GetWorld();
  if (world == nullptr) return;
  const btCollisionObjectArray& objects = world->getCollisionObjectArray();
  for (int i = 0; i < objects.size(); ++i) {
    if (!IsLevel(objects[i])) continue;
    btVector3 low, high;
    objects[i]->getCollisionShape()->getAabb(objects[i]->getWorldTransform(), low, high);
    top_ = high.y();
    bottom_ = low.y();
  }
}

void FallWatch::Update(AppMain& app, int frame, std::vector<std::string>* problems) {
  beside_ = 0;
  btDiscreteDynamicsWorld* world = app.GetPhysics().GetWorld();
  if (world == nullptr) return;
  std::unordered_map<const btCollisionObject*, Track> now;
  const btCollisionObjectArray& objects = world->getCollisionObjectArray();
  for (int i = 0; i < objects.size(); ++i) {
    const btCollisionObject* object = objects[i];
    if (IsLevel(object)) continue;
    const btVector3& origin = object->getWorldTransform().getOrigin();
    const Track track{object->getBroadphaseHandle()->m_uniqueId, origin};
    const auto known = tracks_.find(object);
    const bool same = known != tracks_.end() && known->second.id == track.id;
    now[object] = track;
    if (!same || reported_.count(object) != 0) continue;
    const btVector3 before = known->second.previous;
    const btRigidBody* body = btRigidBody::upcast(object);
    const btVector3 velocity = body != nullptr ? body->getLinearVelocity() : btVector3(0, 0, 0);
    char where[120];
    std::snprintf(where, sizeof(where), "; the frame before at (%.2f %.2f %.2f)", before.x(), before.y(), before.z());
    const D3DXVECTOR3 from(before.x(), before.y(), before.z());
    const D3DXVECTOR3 to(origin.x(), origin.y(), origin.z());
    if ((origin - before).length2() > 1e-8f && app.GetPhysics().RayTestAny(from, to, kGroupMap)) {
      reported_.insert(object);
      problems->push_back("frame " + std::to_string(frame) + ": " +
                          Describe(BodyName(app, object) + " went through the level's surface", origin, velocity) +
                          where);
      continue;
    }
    if (!(origin.y() < bottom_ - kBelowLevelMargin)) continue;
    // The level's bounding box also holds the corners outside its walls, so
    // what tells an opening is a part of the level straight above the body.
    const D3DXVECTOR3 above(origin.x(), top_ + 1.0f, origin.z());
    const D3DXVECTOR3 below(origin.x(), origin.y(), origin.z());
    if (!app.GetPhysics().RayTestAny(above, below, kGroupMap)) {
      ++beside_;
      continue;
    }
    reported_.insert(object);
    openings_.push_back("frame " + std::to_string(frame) + ": " +
                        Describe(BodyName(app, object) + " below the level, dropped through an opening", origin,
                                 velocity) +
                        where);
  }
  // A body removed from the world may come back at the same address.
  for (auto it = reported_.begin(); it != reported_.end();) {
    it = now.count(*it) != 0 ? std::next(it) : reported_.erase(it);
  }
  tracks_ = std::move(now);
}

void CheckScene(AppMain& app, std::vector<std::string>* problems) {
  Reporter report(problems);
  enum { kNotFinite = 0, kBookkeeping = 1 };

  // Bodies: finite transforms and velocities.
  btDiscreteDynamicsWorld* world = app.GetPhysics().GetWorld();
  if (world != nullptr) {
    const btCollisionObjectArray& objects = world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
      const btCollisionObject* object = objects[i];
      const btTransform& transform = object->getWorldTransform();
      const btRigidBody* body = btRigidBody::upcast(object);
      const btVector3 velocity = body != nullptr ? body->getLinearVelocity() : btVector3(0, 0, 0);
      const bool finite = Finite(transform.getOrigin()) && Finite(transform.getBasis()[0]) &&
                          Finite(transform.getBasis()[1]) && Finite(transform.getBasis()[2]) && Finite(velocity) &&
                          (body == nullptr || Finite(body->getAngularVelocity()));
      if (!finite) {
        report.Add(kNotFinite, Describe(BodyName(app, object) + " with a value that is not finite",
                                        transform.getOrigin(), velocity));
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
      report.Add(kNotFinite, Describe("a fighter with a value that is not finite", btVector3(at.x, at.y, at.z),
                                      btVector3(0, 0, 0)));
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
