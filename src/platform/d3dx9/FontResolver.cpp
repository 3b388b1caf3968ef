#include "platform/d3dx9/FontResolver.h"

#include <fontconfig/fontconfig.h>

namespace d3dx {
namespace {

constexpr int kBoldWeight = 600;

bool CoversBasicLatin(FcPattern* match) {
  FcCharSet* charset = nullptr;
  if (FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) != FcResultMatch) return false;
  for (FcChar32 c : {FcChar32('A'), FcChar32('z'), FcChar32('0'), FcChar32('?')}) {
    if (!FcCharSetHasChar(charset, c)) return false;
  }
  return true;
}

// fontconfig's best match for the family, or false when it is not usable.
bool MatchFamily(const char* family, int weight, bool fixedPitch, FontFileCandidate* out) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= kBoldWeight ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  if (fixedPitch) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);

  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;

  bool usable = false;
  FcChar8* file = nullptr;
  FcBool scalable = FcFalse;
  int spacing = FC_PROPORTIONAL;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
      FcPatternGetBool(match, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable && CoversBasicLatin(match)) {
    FcPatternGetInteger(match, FC_SPACING, 0, &spacing);
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    usable = !fixedPitch || spacing == FC_MONO;
  }
  if (usable) {
    out->path = reinterpret_cast<const char*>(file);
    out->faceIndex = index;
  }
  FcPatternDestroy(match);
  return usable;
}

void AddUnique(std::vector<FontFileCandidate>* list, const FontFileCandidate& candidate) {
  for (const FontFileCandidate& existing : *list) {
    if (existing.path == candidate.path && existing.faceIndex == candidate.faceIndex) return;
  }
  list->push_back(candidate);
}

void AddMatch(std::vector<FontFileCandidate>* list, const char* family, int weight, bool fixedPitch) {
  FontFileCandidate candidate;
  if (MatchFamily(family, weight, fixedPitch, &candidate)) AddUnique(list, candidate);
}

void AddDejaVuFile(std::vector<FontFileCandidate>* list, bool mono, bool bold) {
  std::string path = "/usr/share/fonts/truetype/dejavu/DejaVuSans";
  path += mono ? "Mono" : "";
  path += bold ? "-Bold.ttf" : ".ttf";
  AddUnique(list, FontFileCandidate{path, 0});
}

}  // namespace

std::vector<FontFileCandidate> FindFontFiles(const char* family, int weight, bool fixedPitch) {
  std::vector<FontFileCandidate> list;
  const bool bold = weight >= kBoldWeight;
  if (family != nullptr && family[0] != '\0') AddMatch(&list, family, weight, fixedPitch);
  if (fixedPitch) {
    AddMatch(&list, "DejaVu Sans Mono", weight, true);
    AddDejaVuFile(&list, true, bold);
    AddDejaVuFile(&list, true, false);
  }
  // Proportional text is better than none when no monospaced font loads.
  AddMatch(&list, "DejaVu Sans", weight, false);
  AddDejaVuFile(&list, false, bold);
  AddDejaVuFile(&list, false, false);
  return list;
}

}  // namespace d3dx
