#pragma once
// Canonical file paths: every spelling of a file (relative or absolute, '\'
// or '/', "." and "..", upper or lower case) gives one string, the key of
// the resource pools.
//
// A path is a chain of components, each linked to the one before it; the
// chain starts at the last component.

#include <cstdint>
#include <string>

class PathData {
 public:
  enum Kind : std::int32_t {
    kRoot = 1,       // the "/" that starts an absolute path (empty name)
    kDirectory = 2,  // a component followed by a separator
    kFile = 3,       // the last component, not followed by a separator
  };

  virtual ~PathData() = default;

  // Replaces *path by its canonical form:
  // - '\' and '/' both separate components; repeated separators count as one;
  // - a path that starts with a separator is absolute, any other one is taken
  //   below the current directory;
  // - "." directories are removed and "dir/.." pairs are resolved; one that
  //   cannot be resolved (above the root) stays, and so does the rest;
  // - ASCII letters are lower-cased, other bytes (UTF-8 names) pass unchanged;
  // - the result is separated by '/' and starts with '/'.
  // Example: with the current directory /home/game, Data\Char\..\Map\Test.X
  // becomes /home/game/data/map/test.x.
  static void NormalizePath(std::string* path);

  // The name a file is opened under: the path as given, '\' turned into '/'.
  static std::string OpenName(const std::string& path);

  std::int32_t kind = kFile;
  PathData* parent = nullptr;  // the component before this one; not owned (the chain's owner frees it)
  std::string name;            // without separators
};
