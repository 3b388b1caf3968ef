// assetgen: writes the scene's data folder (meshes, materials, skeleton,
// poses, textures, sounds), the same bytes on every run.
//
//   assetgen OUTDIR
//
// OUTDIR is replaced as a whole when every file was written and checked;
// on any failure it is left as it was, the reason goes to stderr and the
// exit status is 1 (2 for a usage error).

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Generator.h"

namespace {

// Text files are written with the generator's own number formatting, but
// the libraries it calls must see the "C" locale too.
bool CLocale() {
  const std::lconv* conventions = std::localeconv();
  return conventions != nullptr && std::strcmp(conventions->decimal_point, ".") == 0;
}

void PrintSummary(const std::string& destination, const assetgen::GenerationLog& log, double seconds) {
  std::printf("assetgen: wrote %s in %.2f s\n", destination.c_str(), seconds);
  for (const assetgen::MeshStats& mesh : log.meshes) {
    std::printf("  %-22s %6zu vertices %6zu triangles\n", mesh.file.c_str(), mesh.vertices, mesh.triangles);
  }
  std::error_code ec;
  std::uintmax_t total = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(destination, ec)) {
    if (entry.is_regular_file(ec)) total += entry.file_size(ec);
  }
  std::printf("  %ju bytes in all\n", total);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: assetgen OUTDIR\n");
    return 2;
  }
  if (!CLocale()) {
    std::fprintf(stderr, "assetgen: the process locale does not use '.' as its decimal point\n");
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  assetgen::GenerationLog log;
  std::string error;
  if (!assetgen::GenerateAll(argv[1], &log, &error)) {
    std::fprintf(stderr, "assetgen: %s\nassetgen: nothing was written to %s\n", error.c_str(), argv[1]);
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  PrintSummary(argv[1], log, seconds);
  return 0;
}
