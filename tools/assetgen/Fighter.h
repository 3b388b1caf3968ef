#pragma once
// The fighter: a stocky street thug in red briefs and sneakers, bare-chested,
// tattooed, with a mohawk and a bloodied machete. The skinned body with its
// skeleton and poses, the head and hair pieces (origin at the "neck" joint)
// and the weapon (modelled for the game's fixed hand attachment).

#include "AnimFiles.h"
#include "Asset.h"

namespace assetgen {

struct FighterBody {
  TexturedAsset asset;  // mesh without a material list, body_brief.udt and its maps
  Skeleton skeleton;    // with the mesh's influences
  PoseLibrary poses;
};

FighterBody BuildFighterBody();

// The head model's cranium (an ellipsoid in head-model space), which the
// mohawk follows.
constexpr Vec3 kCraniumCentre{0.0f, 0.66f, 0.05f};
constexpr Vec3 kCraniumRadii{0.41f, 0.45f, 0.49f};

TexturedAsset BuildFighterHead();  // head.x, tinpira1.udt
TexturedAsset BuildMohawk();       // mohi.x, hair_waste_chestnut.udt
TexturedAsset BuildMachete();      // nata.x, nata_blood.udt

}  // namespace assetgen
