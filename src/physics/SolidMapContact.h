#pragma once
// Contacts of a convex body with a static map's triangles, for a map made of
// closed solids whose triangles face out of them (the arena: the ground,
// the plaza, the terrace, the walls). Bullet treats a triangle as a sheet
// with two sides: once a body's centre is pressed past a triangle's plane
// (a ragdoll at the bottom of a pile, a cabbage driven into the grass),
// the shortest way out of the sheet is onwards, and the body sinks through
// the map. Such a contact is turned to push the body back out through the
// triangle's front. Runs on the physics thread, from the contact-added
// callback, and only reads the two shapes.

class btManifoldPoint;
struct btCollisionObjectWrapper;

namespace PeLocal {

// When one object is a triangle of a static mesh, the other a convex body
// whose centre lies behind the triangle's plane and over the triangle
// itself: sets the point's normal along the triangle's front and its
// distance to the depth of the body's deepest point behind the plane, and
// returns true. Leaves every other contact as it is (false). A centre
// beside the triangle is left alone: a body lying on a top near its edge is
// behind the planes of the sides under it without being in the solid.
bool TurnContactOutOfSolid(btManifoldPoint& point, const btCollisionObjectWrapper* object0,
                           const btCollisionObjectWrapper* object1);

// Bullet's contact-added callback, installed by PhysicsManager::Init and
// called for every contact point found with a map (the bodies AddBody flags
// for it): the triangle's material (CombineTriangleMaterial), then
// TurnContactOutOfSolid.
bool OnMapContactAdded(btManifoldPoint& point, const btCollisionObjectWrapper* object0, int partId0, int index0,
                       const btCollisionObjectWrapper* object1, int partId1, int index1);

}  // namespace PeLocal
