#pragma once
// Finds font files for a face name the game asks for through fontconfig.
//
// The Windows face names the game uses do not exist here, so fontconfig's
// best match is taken when it is a scalable font covering ASCII (and, for a
// fixed-pitch request, a monospaced one); DejaVu Sans Mono (fixed pitch) or
// DejaVu Sans follow as fallbacks, found through fontconfig and at their
// Debian paths.

#include <string>
#include <vector>

namespace d3dx {

struct FontFileCandidate {
  std::string path;
  int faceIndex = 0;
};

// Candidates in order of preference, without duplicates. The caller loads the
// first one that opens. weight: 400 normal, 700 bold (0 means normal).
std::vector<FontFileCandidate> FindFontFiles(const char* family, int weight, bool fixedPitch);

}  // namespace d3dx
