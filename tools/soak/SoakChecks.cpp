#include "SoakChecks.h"

#include <BulletCollision/NarrowPhaseCollision/btRaycastCallback.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "app/AppMain.h"

namespace {

// A body that sinks this far below the level's lowest point has left it.
constexpr float kBelowLevelMargin = 1.0f;
constexpr int kReportsPerKind = 3;
// A centre beyond the level's surface for this long is stuck in it.
constexpr int kStuckFrames = 60;

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

btVector3 VelocityOf(const btCollisionObject* object) {
  const btRigidBody* body = btRigidBody::upcast(object);
  return body != nullptr ? body->getLinearVelocity() : btVector3(0, 0, 0);
}

// The level's first triangle on the way from `from` to `to`, or only its
// first front face: the level's triangles face out of its solids, so a
// centre crossing a face from behind is coming out of a solid, not going in.
struct LevelHit {
  bool hit = false;
  btScalar fraction = 1.0f;
  btVector3 point{0.0f, 0.0f, 0.0f};
  btVector3 normal{0.0f, 0.0f, 0.0f};
};

LevelHit FirstLevelHit(btCollisionWorld* world, const btVector3& from, const btVector3& to, bool frontFacesOnly) {
  btCollisionWorld::ClosestRayResultCallback callback(from, to);
  callback.m_collisionFilterMask = kGroupMap;
  if (frontFacesOnly) callback.m_flags |= btTriangleRaycastCallback::kF_FilterBackfaces;
  world->rayTest(from, to, callback);
  LevelHit result;
  result.hit = callback.hasHit();
  result.fraction = callback.m_closestHitFraction;
  result.point = callback.m_hitPointWorld;
  result.normal = callback.m_hitNormalWorld;
  return result;
}

// Whether a point is inside one of the level's solids: straight above it,
// the first face is seen from behind.
bool InsideLevel(btCollisionWorld* world, const btVector3& point, float levelTop) {
  const btVector3 above(point.x(), levelTop + 1.0f, point.z());
  const LevelHit any = FirstLevelHit(world, point, above, false);
  return any.hit && any.fraction < FirstLevelHit(world, point, above, true).fraction;
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

bool FallWatch::FollowCrossing(AppMain& app, const btCollisionObject* object, int frame, const btVector3& centre,
                               float radius, const btVector3& before, Track* track,
                               std::vector<std::string>* problems) {
  btCollisionWorld* world = app.GetPhysics().GetWorld();
  const bool moved = (centre - before).length2() > 1e-8f;
  // Most steps cross nothing: one ray for any face, the second only then.
  if (!track->beyond && moved && FirstLevelHit(world, before, centre, false).hit) {
    if (FirstLevelHit(world, before, centre, true).hit) {
      track->beyond = true;
      track->nearSide = before;
      track->crossedAt = frame;
      track->depth = 0.0f;
    } else {
      ++exits_;  // through a face from behind it: out of a solid
    }
  }
  if (!track->beyond) return false;
  const LevelHit crossed = FirstLevelHit(world, track->nearSide, centre, true);
  if (!crossed.hit) {
    track->beyond = false;  // back out: it only dipped
    ++dips_;
    deepestDip_ = std::max(deepestDip_, track->depth);
    return false;
  }
  // How far behind the crossed surface's plane, whatever the slide along it.
  const float depth = (crossed.point - centre).dot(crossed.normal);
  track->depth = std::max(track->depth, depth);
  const bool through = track->depth > radius;
  if (!through && frame - track->crossedAt < kStuckFrames) return true;
  reported_.insert(object);
  const btVector3& from = track->nearSide;
  char detail[160];
  std::snprintf(detail, sizeof(detail), "; %.2f beyond it (radius %.2f), crossed at frame %d from (%.2f %.2f %.2f)",
                track->depth, radius, track->crossedAt, from.x(), from.y(), from.z());
  const char* what = through ? " went through the level's surface" : " is stuck in the level's surface";
  problems->push_back("frame " + std::to_string(frame) + ": " +
                      Describe(BodyName(app, object) + what, centre, VelocityOf(object)) + detail);
  return true;
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
    // The shape's centre, not the body's origin: a prop's mesh may have its
    // origin at its base, which then rests on the surface itself.
    btVector3 shapeCentre;
    btScalar radius = 0.0f;
    object->getCollisionShape()->getBoundingSphere(shapeCentre, radius);
    const btVector3 centre = object->getWorldTransform() * shapeCentre;
    const int id = object->getBroadphaseHandle()->m_uniqueId;
    const auto known = tracks_.find(object);
    const bool tracked = known != tracks_.end() && known->second.id == id;
    Track& track = now[object];
    if (tracked) {
      track = known->second;
    } else {
      track = Track();
      track.id = id;
      track.previous = centre;
      if (InsideLevel(world, centre, top_)) ++madeInside_;
    }
    const btVector3 before = track.previous;
    track.previous = centre;
    if (!tracked || reported_.count(object) != 0) continue;
    if (FollowCrossing(app, object, frame, centre, radius, before, &track, problems)) continue;
    if (!(centre.y() < bottom_ - kBelowLevelMargin)) continue;
    // The level's bounding box also holds the corners outside its walls, so
    // what tells an opening is a part of the level straight above the body.
    const btVector3 above(centre.x(), top_ + 1.0f, centre.z());
    if (!FirstLevelHit(world, above, centre, false).hit) {
      ++beside_;
      continue;
    }
    reported_.insert(object);
    char where[80];
    std::snprintf(where, sizeof(where), "; the frame before at (%.2f %.2f %.2f)", before.x(), before.y(), before.z());
    openings_.push_back("frame " + std::to_string(frame) + ": " +
                        Describe(BodyName(app, object) + " below the level, dropped through an opening", centre,
                                 VelocityOf(object)) +
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
