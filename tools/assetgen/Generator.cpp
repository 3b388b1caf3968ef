#include "Generator.h"

#include "EffectTextures.h"
#include "Sounds.h"
#include "WaveWriter.h"
#include "Writers.h"

namespace assetgen {

void GenerationLog::AddMesh(const std::string& file, const MeshModel& model) {
  meshes.push_back({file, model.vertices.size(), model.faces.size()});
}

std::vector<std::string> RequiredFiles() {
  return {"map/test_map.x",      "map/lightmap.png",
          "sound/un.wav",        "sound/exp.wav",       "sound/dong.wav",    "char/body.x",
          "char/body.bone",      "char/body.pose",      "char/head.x",       "char/mohi.x",
          "char/nata.x",         "char/body_brief.udt", "char/tinpira1.udt", "char/hair_waste_chestnut.udt",
          "char/nata_blood.udt", "obj/kyabe_new.x",     "obj/tex92_box.x",   "obj/smiley.x",
          "effect/shadow.png",   "effect/blood1.png",   "effect/blood2.png", "effect/smoke1.png",
          "effect/scr_blur.png"};
}

bool WriteEffectTextures(OutputSet* output, std::string* error) {
  struct Entry {
    const char* file;
    ImageRgba (*make)();
  };
  const Entry entries[] = {{"effect/shadow.png", MakeShadowTexture},
                           {"effect/blood1.png", MakeBloodDropTexture},
                           {"effect/blood2.png", MakeBloodSplashTexture},
                           {"effect/smoke1.png", MakeSmokeTexture},
                           {"effect/scr_blur.png", MakeBlurMaskTexture}};
  for (const Entry& entry : entries) {
    if (!WritePng(entry.make(), output->Path(entry.file), error)) return false;
  }
  return true;
}

bool WriteSounds(OutputSet* output, std::string* error) {
  return WriteWave(MakeWoodyThud(), kSoundRate, output->Path("sound/un.wav"), error) &&
         WriteWave(MakeExplosion(), kSoundRate, output->Path("sound/exp.wav"), error) &&
         WriteWave(MakeHeavyHit(), kSoundRate, output->Path("sound/dong.wav"), error);
}

bool GenerateAll(const std::string& destination, GenerationLog* log, std::string* error) {
  OutputSet output(destination);
  if (!output.Begin(error)) return false;
  if (!WriteEffectTextures(&output, error)) return false;
  if (!WriteSounds(&output, error)) return false;
  if (!WriteProps(&output, log, error)) return false;
  if (!WriteFighter(&output, log, error)) return false;

  if (!WriteLevel(&output, log, error)) return false;
  return output.Commit(RequiredFiles(), error);
}

}  // namespace assetgen
