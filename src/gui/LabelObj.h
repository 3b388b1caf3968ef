#pragma once
// A line of text centred in its rectangle, with a drop shadow.

#include "gui/FwGuiBase.h"

class LabelObj : public FwGuiEditableBase {
 public:
  // The shadow one pixel right and down, then the text; a null text draws
  // nothing.
  void Draw(FwDX9& frame) override;

  D3DCOLOR textColour = 0xFFFFFFFFu;
  const char* text = nullptr;  // not owned
  D3DCOLOR shadowColour = GuiColour(0.0f, 0.0f, 0.0f, 0.8f);
};
