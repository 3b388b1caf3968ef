// PlateObj: easing towards the target, carrying the children along.

#include "gui/PlateObj.h"

#include "frame/FwDX9.h"

void PlateObj::Update() {
  const D3DXVECTOR2 delta = (target - position) * rate;
  position += delta;
  for (FwGuiBase* child : children) *child->GetPosition() += delta;
}

void PlateObj::Draw(FwDX9& frame) {
  frame.DrawPanel2D(position, position + size, D3DXCOLOR(colour));
  for (FwGuiBase* child : children) child->Draw(frame);
}
