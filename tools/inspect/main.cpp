// inspect: tells what the game's data files hold, or why the game cannot use
// them, using the game's own loaders.
//
//   inspect FILE...
//
// The file type is taken from the extension. Exit status: 0 when every file
// is usable, 1 when one is not, 2 for a usage error.

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "platform/host/Headless.h"
#include "tools/inspect/Inspectors.h"

namespace {

struct Inspector {
  const char* extension;
  int (*inspect)(const char* path);
};

const Inspector kInspectors[] = {
    {".wav", InspectWave},
    {".udt", InspectMaterial},
    {".png", InspectTexture},
    {".x", InspectMesh},
    {".bone", InspectBones},
    {".pose", InspectPoses},
};

const Inspector* Find(const char* path) {
  const char* dot = std::strrchr(path, '.');
  const char* slash = std::strrchr(path, '/');
  if (dot == nullptr || (slash != nullptr && dot < slash)) return nullptr;
  for (const Inspector& inspector : kInspectors) {
    if (strcasecmp(dot, inspector.extension) == 0) return &inspector;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: inspect FILE...\n");
    return 2;
  }
  // No window and no sound card needed.
  host::UseHeadlessDrivers();
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const Inspector* inspector = Find(argv[i]);
    if (inspector == nullptr) {
      std::fprintf(stderr, "%s: unknown file type\n", argv[i]);
      status = 2;
      continue;
    }
    if (inspector->inspect(argv[i]) != 0 && status == 0) status = 1;
  }
  return status;
}
