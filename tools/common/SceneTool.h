#pragma once
// What the tools that draw the scene data share: entering the folder that
// holds data/ (the game's loaders read ./data/...), and the scene's lights.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "render/RenderSystem.h"

// Makes *out absolute against the current directory, then enters root.
// False (with a message naming the tool) when either fails.
inline bool EnterDataRoot(const char* tool, const std::string& root, std::string* out) {
  char cwd[4096];
  if (getcwd(cwd, sizeof(cwd)) == nullptr) return false;
  if (out->empty() || (*out)[0] != '/') *out = std::string(cwd) + "/" + *out;
  if (chdir(root.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot enter %s\n", tool, root.c_str());
    return false;
  }
  return true;
}

// The scene's ambient colours and its two directional lights.
inline void SetSceneLights(RenderSystem& renderer) {
  renderer.SetAmbient(D3DXCOLOR(0.25f, 0.3f, 0.4f, 1.0f), D3DXCOLOR(0.15f, 0.3f, 0.15f, 1.0f));
  renderer.SetDirectionalLight(0, D3DXVECTOR3(0.4f, -0.9f, 0.7f), D3DXCOLOR(0.9f, 0.85f, 0.8f, 1.0f));
  renderer.SetDirectionalLight(1, D3DXVECTOR3(-0.6f, -0.2f, -0.5f), D3DXCOLOR(0.5f, 0.5f, 0.5f, 1.0f));
}
