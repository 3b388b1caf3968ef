#pragma once
// A panel that holds other widgets and slides them with it: each frame it
// covers a constant fraction (the rate) of the way to its target.

#include <vector>

#include "gui/FwGuiBase.h"

class PlateObj : public FwGuiEditableBase {
 public:
  ~PlateObj() override = default;

  // Moves the plate and every child by rate x (target - position).
  void Update();
  // The panel, then the children in the order they were added.
  void Draw(FwDX9& frame) override;

  D3DCOLOR colour = GuiColour(0.5f, 0.5f, 0.5f, 0.7f);
  std::vector<FwGuiBase*> children;  // not owned
  D3DXVECTOR2 target{0.0f, 0.0f};
  float rate = 0.0f;
};
