#pragma once
// Per-triangle friction and restitution for contacts with a map, set from
// Bullet's contact-added callback (PeLocal::OnMapContactAdded). It runs on
// the physics thread inside the step and only reads the map's material
// records.

class btManifoldPoint;
struct btCollisionObjectWrapper;

namespace PeLocal {

// For a contact between a triangle of a multi-material mesh and another
// object: combined friction = the object's friction x the triangle's, the
// same for restitution. Other contacts keep Bullet's combination.
bool CombineTriangleMaterial(btManifoldPoint& point, const btCollisionObjectWrapper* object0, int partId0,
                             int index0, const btCollisionObjectWrapper* object1, int partId1, int index1);

}  // namespace PeLocal
