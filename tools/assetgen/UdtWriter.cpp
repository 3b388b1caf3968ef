// .udt material files: eleven lines, "Material" to "eof", every map line
// present even when the type does not read it ("!" names no map).

#include <cmath>

#include "FileOutput.h"
#include "TextFormat.h"
#include "Writers.h"

namespace assetgen {

namespace {

// The material types the game knows (the short names of its type table).
const char* const kMaterialTypes[] = {"StdSimple", "StdMid",   "StdMid+",  "StdFull",   "CharSimple",
                                      "CharMid",   "CharMid+", "CharFull", "MapSimple", "MapMid",
                                      "MapMid+",   "MapFull",  "Toon",     "ToonHair",  "Toon2",
                                      "ToonHair2", "Hair",     "Hair2",    "Plain",     "PlainBright"};

bool KnownType(const std::string& type) {
  for (const char* known : kMaterialTypes) {
    if (type == known) return true;
  }
  return false;
}

bool ValidLine(const std::string& text) {
  return text.find('\n') == std::string::npos && text.find('\r') == std::string::npos;
}

}  // namespace

std::string UdtText(const UdtMaterial& m) {
  auto map = [](const std::string& name) { return name.empty() ? std::string("!") : name; };
  std::string out = "Material\n";
  out += m.type + "\n";
  out += FormatFixed(m.ambientRate, 4) + "\n";
  out +=
      FormatFixed(m.specular[0], 4) + "," + FormatFixed(m.specular[1], 4) + "," + FormatFixed(m.specular[2], 4) + "\n";
  out += FormatFixed(m.specularPower, 4) + "\n";
  out += FormatFixed(m.gpv, 4) + "\n";
  out += map(m.diffuseMap) + "\n";
  out += map(m.normalMap) + "\n";
  out += map(m.specularMap) + "\n";
  out += map(m.emissiveMap) + "\n";
  out += "eof\n";
  return out;
}

bool WriteUdt(const UdtMaterial& material, const std::string& path, std::string* error) {
  const float numbers[] = {material.ambientRate, material.specular[0],   material.specular[1],
                           material.specular[2], material.specularPower, material.gpv};
  for (float value : numbers) {
    if (!std::isfinite(value)) {
      if (error != nullptr) *error = path + ": a material number is not finite";
      return false;
    }
  }
  // The game warns about exponents below 1.
  if (material.specularPower < 1.0f) {
    if (error != nullptr) *error = path + ": specular power below 1";
    return false;
  }
  for (const std::string* line :
       {&material.type, &material.diffuseMap, &material.normalMap, &material.specularMap, &material.emissiveMap}) {
    if (!ValidLine(*line) || (line != &material.type && !line->empty() && (*line)[0] == '!')) {
      if (error != nullptr) *error = path + ": a material line is not a single line";
      return false;
    }
  }
  if (!KnownType(material.type)) {
    if (error != nullptr) *error = path + ": unknown material type \"" + material.type + "\"";
    return false;
  }
  return WriteWholeFile(path, UdtText(material), error);
}

}  // namespace assetgen
