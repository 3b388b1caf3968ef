#pragma once
// The sliding menu in the lower right corner: a plate that shows only its
// "Menu" toggle at the bottom edge while closed, and slides up to show its
// toggle items while open. Items keep their checked state across opening
// and closing; the owner writes their captions and reads their states.

#include <memory>

#include "gui/ButtonObj.h"
#include "gui/PlateObj.h"

class MenuObj : public FwGuiBase {
 public:
  static constexpr int kBuiltItemCount = 4;

  MenuObj();
  ~MenuObj() override;

  D3DXVECTOR2* GetPosition() override { return plate_.GetPosition(); }
  D3DXVECTOR2* GetSize() override { return plate_.GetSize(); }
  void Draw(FwDX9& frame) override { plate_.Draw(frame); }
  // Releases the items (and takes them off the plate).
  virtual void ClearItems();

  // Lays the menu out closed, for a font of lineHeight pixels on a screen
  // of screenHeight pixels: the plate 200 pixels wide at x, items of
  // lineHeight + padding pixels, sliding at `rate` of the way per frame.
  void Build(float x, float rate, float padding, int lineHeight, int screenHeight);
  // Once per frame: the toggle's and the items' clicks, then the slide.
  void Update(const GuiMouse& mouse);

  int GetItemCount() const { return itemCount_; }
  // Out-of-range indices are ignored (read as unchecked).
  void SetItemChecked(int index, bool state);
  bool IsItemChecked(int index) const;
  void SetItemCaption(int index, const char* text);
  // What a click on the item does: flips its state (a keyboard shortcut).
  void ClickItem(int index);
  ButtonObj* GetItem(int index) { return index >= 0 && index < itemCount_ ? &items_[index] : nullptr; }
  ButtonObj& GetToggle() { return toggle_; }
  PlateObj& GetPlate() { return plate_; }
  bool IsOpen() const { return open_; }
  // Slides the menu open or closed, as a click on its toggle would.
  void SetOpen(bool open);
  float GetOpenY() const { return openY_; }
  float GetClosedY() const { return closedY_; }

  static constexpr D3DCOLOR kPlateColour = GuiColour(0.7f, 0.7f, 0.7f, 0.5f);
  static constexpr D3DCOLOR kToggleColour = GuiColour(0.3f, 0.3f, 0.3f, 0.8f);
  static constexpr D3DCOLOR kCheckedColour = GuiColour(0.9f, 0.3f, 0.3f, 0.8f);
  static constexpr D3DCOLOR kUncheckedColour = GuiColour(0.5f, 0.5f, 0.5f, 0.8f);

 private:
  void Click(ButtonObj& item);

  float x_ = 0.0f;
  float openY_ = 0.0f;
  float closedY_ = 0.0f;
  bool open_ = false;
  PlateObj plate_;
  ButtonObj toggle_;
  std::unique_ptr<ButtonObj[]> items_;
  int itemCount_ = 0;
};
