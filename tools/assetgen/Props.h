#pragma once
// The three physical props of the scene. Each mesh names its own .udt file
// (next to it) in its one material's texture file name.

#include "Asset.h"

namespace assetgen {

// A wooden crate spanning -1..1 on every axis (drawn at scale 5 for a box
// of half extent 5): a frame of boards round an inset planked panel on each
// side.
TexturedAsset BuildCrate();

// A yellow ball of radius 1 with a smiling face on its -Z side.
TexturedAsset BuildSmiley();

// A cabbage: lumpy layers of leaves round a core, about radius 1 (the
// largest vertex distance from the origin is exactly 1), its stem at -Y.
TexturedAsset BuildCabbage();

// The direction of the lat-long texture coordinate (u, v) of AppendSphere.
Vec3 LatLongDirection(float u, float v);

}  // namespace assetgen
