// Writes the fighter's files: the skinned body with its skeleton and poses,
// the head, hair and weapon meshes (drawn with the scene's own materials,
// so they carry no material list) and the four .udt files with their maps.

#include "Fighter.h"

#include "FighterRig.h"
#include "Generator.h"
#include "ModelChecks.h"

namespace assetgen {

bool WriteFighter(OutputSet* output, GenerationLog* log, std::string* error) {
  const FighterBody body = BuildFighterBody();
  std::string reason;
  if (!CheckSkin(body.skeleton, body.asset.mesh, &reason) ||
      !CheckRequiredNames(body.skeleton, body.poses, GameBoneNames(), GamePoseNames(), &reason)) {
    if (error != nullptr) *error = "char/body: " + reason;
    return false;
  }
  return WriteAsset(output, "char", "body.x", "body_brief.udt", body.asset, log, error) &&
         WriteBoneFile(body.skeleton, output->Path("char/body.bone"), error) &&
         WritePoseFile(body.skeleton, body.poses, output->Path("char/body.pose"), error) &&
         WriteAsset(output, "char", "head.x", "tinpira1.udt", BuildFighterHead(), log, error) &&
         WriteAsset(output, "char", "mohi.x", "hair_waste_chestnut.udt", BuildMohawk(), log, error) &&
         WriteAsset(output, "char", "nata.x", "nata_blood.udt", BuildMachete(), log, error);
}

}  // namespace assetgen
