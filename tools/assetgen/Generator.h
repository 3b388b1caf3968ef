#pragma once
// The whole scene data set: every file the scene loads and every file those
// files name, written through one OutputSet (all or nothing).

#include <string>
#include <vector>

#include "MeshModel.h"
#include "OutputSet.h"

namespace assetgen {

struct MeshStats {
  std::string file;
  std::size_t vertices = 0;
  std::size_t triangles = 0;
};

// What a run produced, for the summary the tool prints.
struct GenerationLog {
  std::vector<MeshStats> meshes;
  void AddMesh(const std::string& file, const MeshModel& model);
};

// The files the game opens by name (the scene loader's list).
std::vector<std::string> RequiredFiles();

// The groups of files, each written into the output set. False with the
// reason on the first failure.
bool WriteEffectTextures(OutputSet* output, std::string* error);
bool WriteSounds(OutputSet* output, std::string* error);
bool WriteProps(OutputSet* output, GenerationLog* log, std::string* error);
bool WriteFighter(OutputSet* output, GenerationLog* log, std::string* error);
bool WriteLevel(OutputSet* output, GenerationLog* log, std::string* error);

// Everything into `destination` (replaced as a whole on success, untouched
// on failure).
bool GenerateAll(const std::string& destination, GenerationLog* log, std::string* error);

}  // namespace assetgen
