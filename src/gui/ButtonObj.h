#pragma once
// A clickable panel with a caption. A click is a press and a release both
// inside the button: the press is taken only when the left button goes down
// over it, and leaving the button while it is held cancels the press.

#include "gui/LabelObj.h"

class ButtonObj : public FwGuiEditableBase {
 public:
  ButtonObj();
  ~ButtonObj() override = default;

  // Once per frame: hover is whether the mouse is over the button; a press
  // starts when the left button goes down over it.
  void HitTest(const GuiMouse& mouse);
  // After HitTest, once per frame: ends a press. True when it ends as a
  // click (released inside); a press whose mouse has left is cancelled.
  bool TakeClick(const GuiMouse& mouse);
  // The panel, shifted by (2, 2) while pressed, brighter while pressed or
  // hovered, with the caption on it.
  void Draw(FwDX9& frame) override;
  // The panel's colour this frame.
  D3DCOLOR GetDrawColour() const;

  D3DCOLOR colour = GuiColour(0.5f, 0.5f, 0.5f, 0.7f);
  bool hover = false;
  bool pressed = false;
  LabelObj caption;
  bool checked = false;  // the state of a menu item
};
