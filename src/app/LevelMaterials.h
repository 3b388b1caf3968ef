#pragma once
// The level's physics surfaces: one physics material per mesh attribute,
// read from the first two letters of each material's texture file name.

#include <cstdint>
#include <vector>

// Loads the mesh file only for its material list. A name whose two-letter
// code is in no row of the material table, or names the first row, gets the
// universal material; a file that does not load gives an empty map.
std::vector<std::int32_t> BuildLevelMaterialMap(const char* path);
