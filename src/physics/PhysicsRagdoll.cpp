// The ragdoll's life: initialisation with the character, creation at death
// (parts with the animation's motion, joints at world axes) and removal.

#include "physics/PhysicsRagdoll.h"

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"
#include "physics/PhysicsRagdollTables.h"

namespace {

constexpr float kDegrees = 0.017453292f;

D3DXVECTOR3 Normalized(float x, float y, float z) {
  D3DXVECTOR3 v(x, y, z);
  D3DXVec3Normalize(&v, &v);
  return v;
}

}  // namespace

PhysicsRagdoll::~PhysicsRagdoll() {
  Destroy();
  delete source_.constructionInfo;
  source_.constructionInfo = nullptr;
}

bool PhysicsRagdoll::Init(const Parameters& parameters, float sleepingFactor) {
  Destroy();
  initialized_ = false;
  manager_ = GetPhysicsManager();
  if (manager_ == nullptr) return false;
  for (SkinMeshEntity::Node* node : parameters.nodes) {
    if (node == nullptr) return false;
  }
  parameters_ = parameters;
  created_ = false;
  settled_ = false;
  const float stepsPerSecond = manager_->GetStepsPerSecond();
  settleThreshold_ = 0.001f * (60.0f / stepsPerSecond) * (parameters.radius + parameters.height);
  settleFrameLimit_ = static_cast<int>(stepsPerSecond * 30.0f * 0.1f);
  for (D3DXVECTOR3& bone : previousBones_) bone = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  lastChest_ = lastRoot_ = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  stillFrames_ = 0;
  for (Part& part : parts_) part = Part();
  for (btTypedConstraint*& joint : joints_) joint = nullptr;

  source_.owner = this;
  delete source_.constructionInfo;
  source_.constructionInfo =
      new btRigidBody::btRigidBodyConstructionInfo(0.0f, nullptr, nullptr, btVector3(0.0f, 0.0f, 0.0f));
  const PhysicsMaterial* material = GetPhysicsMaterial(source_.material);
  source_.constructionInfo->m_friction = material->friction;
  source_.constructionInfo->m_restitution = material->restitution;
  source_.constructionInfo->m_linearSleepingThreshold =
      sleepingFactor * (parameters.radius + parameters.height) * 0.12f;
  source_.constructionInfo->m_angularSleepingThreshold = sleepingFactor;
  initialized_ = true;
  return true;
}

D3DXVECTOR3 PhysicsRagdoll::NodePosition(int slot) const {
  const D3DXMATRIX& world = parameters_.nodes[slot]->world;
  return D3DXVECTOR3(world._41, world._42, world._43);
}

void PhysicsRagdoll::RecordBones() {
  if (!initialized_) return;
  for (int slot = 0; slot < kNodeSlotCount; ++slot) previousBones_[slot] = NodePosition(slot);
}

bool PhysicsRagdoll::Create(float impulseScale, float linearDampingFactor, float angularDampingFactor, void* user,
                            const D3DXVECTOR3& initialVelocity) {
  if (!initialized_ || created_) return false;
  created_ = true;
  settled_ = false;
  stillFrames_ = 0;
  const float linearDamping = parameters_.dampingScale * linearDampingFactor;
  const float angularDamping = parameters_.dampingScale * angularDampingFactor;
  source_.constructionInfo->m_linearDamping = linearDamping;
  source_.constructionInfo->m_angularDamping = angularDamping;

  for (int part = 0; part < kPartCount; ++part) {
    if (!CreatePart(part, impulseScale, user, initialVelocity)) {
      Destroy();
      return false;
    }
  }
  for (int joint = 0; joint < kJointCount; ++joint) CreateJoint(joint);
  parts_[0].body->setDamping(linearDamping * 1.2f, angularDamping * 1.5f);
  lastChest_ = NodePosition(kChest);
  lastRoot_ = NodePosition(kRoot);
  return true;
}

bool PhysicsRagdoll::CreatePart(int index, float impulseScale, void* user, const D3DXVECTOR3& initialVelocity) {
  const PeLocal::RagdollPartRow& row = PeLocal::kRagdollParts[index];
  Part& part = parts_[index];
  const float scale = parameters_.radius;
  const float radius = row.radiusFactor * scale;
  D3DXVECTOR3 centre = NodePosition(row.from);
  float length = row.lengthFactor * scale;
  if (row.to >= 0) {
    const D3DXVECTOR3 to = NodePosition(row.to);
    const D3DXVECTOR3 span = to - centre;
    length = row.lengthFactor * D3DXVec3Length(&span);
    centre = (centre + to) * 0.5f;
  }

  // The node's axes without its scale, at the span's centre, moved by the
  // part's offset in those axes.
  const D3DXMATRIX& nodeWorld = parameters_.nodes[row.node]->world;
  const D3DXVECTOR3 axisX = Normalized(nodeWorld._11, nodeWorld._12, nodeWorld._13);
  const D3DXVECTOR3 axisY = Normalized(nodeWorld._21, nodeWorld._22, nodeWorld._23);
  const D3DXVECTOR3 axisZ = Normalized(nodeWorld._31, nodeWorld._32, nodeWorld._33);
  const D3DXMATRIX basis(axisX.x, axisX.y, axisX.z, 0.0f,  //
                         axisY.x, axisY.y, axisY.z, 0.0f,  //
                         axisZ.x, axisZ.y, axisZ.z, 0.0f,  //
                         centre.x, centre.y, centre.z, 1.0f);
  D3DXMATRIX offset;
  D3DXMatrixTranslation(&offset, row.offset[0] * scale, row.offset[1] * scale, row.offset[2] * scale);
  const D3DXMATRIX start = offset * basis;

  const float mass = row.massFraction * parameters_.mass;
  if (row.alongX) {
    part.shape = new btCapsuleShapeX(radius, length);
  } else {
    part.shape = new btCapsuleShape(radius, length);
  }
  part.shape->setUserPointer(&source_);
  btVector3 inertia(0.0f, 0.0f, 0.0f);
  part.shape->calculateLocalInertia(mass, inertia);
  source_.shape = part.shape;
  source_.mass = mass;
  source_.constructionInfo->m_mass = mass;
  source_.constructionInfo->m_collisionShape = part.shape;
  source_.constructionInfo->m_localInertia = inertia;
  if (!manager_->AddBody(start, &source_, &part.handle)) return false;
  part.handle->user = user;
  part.body = part.handle->body;
  part.body->setLinearVelocity(ToBtVector3(initialVelocity));

  // The animation's motion of the last frame carries on in the body.
  const float k = mass * impulseScale * manager_->GetStepsPerSecond();
  if (row.to < 0) {
    part.body->applyCentralImpulse(ToBtVector3((NodePosition(row.from) - previousBones_[row.from]) * k));
  } else {
    const btVector3 origin = part.body->getWorldTransform().getOrigin();
    for (int slot : {row.from, row.to}) {
      part.body->applyImpulse(ToBtVector3((NodePosition(slot) - previousBones_[slot]) * (k * 0.5f)),
                              ToBtVector3(NodePosition(slot)) - origin);
    }
  }

  D3DXMATRIX inverseStart;
  D3DXMatrixInverse(&inverseStart, nullptr, &start);
  part.nodeOffset = nodeWorld * inverseStart;
  return true;
}

void PhysicsRagdoll::CreateJoint(int index) {
  const PeLocal::RagdollJointRow& row = PeLocal::kRagdollJoints[index];
  const float k = parameters_.limitScale * kDegrees;
  btTransform frame(btMatrix3x3::getIdentity(), ToBtVector3(NodePosition(row.node)));
  // Hinges turn about the frame's z axis: across the arm for elbows, across
  // the body for knees.
  if (row.frameRotation == 1) {
    frame = frame * btTransform(btMatrix3x3(1, 0, 0, 0, 0, -1, 0, 1, 0));
  } else if (row.frameRotation == 2) {
    frame = frame * btTransform(btMatrix3x3(0, 0, 1, 0, 1, 0, -1, 0, 0));
  }
  btRigidBody& a = *parts_[row.partA].body;
  btRigidBody& b = *parts_[row.partB].body;
  // Both frames coincide now: the limits lie along the world axes of the
  // moment of death.
  const btTransform frameA = a.getWorldTransform().inverse() * frame;
  const btTransform frameB = b.getWorldTransform().inverse() * frame;

  btTypedConstraint* joint = nullptr;
  switch (row.kind) {
    case PeLocal::kConeTwist: {
      auto* cone = new btConeTwistConstraint(a, b, frameA, frameB);
      cone->setLimit(row.limits[0] * k, row.limits[1] * k, row.limits[2] * k, row.softness, 0.3f, 1.0f);
      joint = cone;
      break;
    }
    case PeLocal::kSixDof: {
      auto* sixDof = new btGeneric6DofConstraint(a, b, frameA, frameB, false);
      sixDof->setAngularLowerLimit(btVector3(btNormalizeAngle(row.limits[0] * k), btNormalizeAngle(row.limits[1] * k),
                                             btNormalizeAngle(row.limits[2] * k)));
      sixDof->setAngularUpperLimit(btVector3(btNormalizeAngle(row.limits[3] * k), btNormalizeAngle(row.limits[4] * k),
                                             btNormalizeAngle(row.limits[5] * k)));
      joint = sixDof;
      break;
    }
    case PeLocal::kHinge: {
      auto* hinge = new btHingeConstraint(a, b, frameA, frameB, false);
      hinge->setLimit(row.limits[0] * k, row.limits[1] * k, row.softness, 0.3f, 1.0f);
      joint = hinge;
      break;
    }
  }
  joint->setDbgDrawSize(parameters_.radius * 0.2f);
  manager_->GetWorld()->addConstraint(joint, true);
  joints_[index] = joint;
}

void PhysicsRagdoll::Destroy() {
  if (!created_) return;
  for (btTypedConstraint*& joint : joints_) {
    if (joint == nullptr) continue;
    manager_->GetWorld()->removeConstraint(joint);
    delete joint;
    joint = nullptr;
  }
  // The body goes before its shape: the world may still reach the shape
  // through the body until it is removed.
  for (Part& part : parts_) {
    manager_->RemoveBody(part.handle);
    part.body = nullptr;
    delete part.shape;
    part.shape = nullptr;
  }
  source_.shape = nullptr;
  created_ = false;
  settled_ = false;
}
