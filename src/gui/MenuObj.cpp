// MenuObj: layout, clicks and the slide.

#include "gui/MenuObj.h"

#include <algorithm>

namespace {

constexpr float kPlateWidth = 200.0f;
constexpr float kButtonWidth = 188.0f;
constexpr float kInset = 6.0f;  // between the plate's edge and its buttons

}  // namespace

MenuObj::MenuObj() = default;

MenuObj::~MenuObj() { ClearItems(); }

void MenuObj::ClearItems() {
  if (items_ != nullptr) {
    ButtonObj* first = items_.get();
    ButtonObj* last = first + itemCount_;
    auto isItem = [first, last](const FwGuiBase* child) { return child >= first && child < last; };
    plate_.children.erase(std::remove_if(plate_.children.begin(), plate_.children.end(), isItem),
                          plate_.children.end());
  }
  items_.reset();
  itemCount_ = 0;
}

void MenuObj::Build(float x, float rate, float padding, int lineHeight, int screenHeight) {
  ClearItems();
  const float h = static_cast<float>(lineHeight) + padding;
  const float step = h + 6.0f;
  const float screen = static_cast<float>(screenHeight);

  x_ = x;
  openY_ = screen - (5.0f * step + 18.0f);
  closedY_ = screen - (h + 12.0f);
  open_ = false;

  toggle_.SetRect(D3DXVECTOR2(x + kInset, closedY_ + kInset), D3DXVECTOR2(kButtonWidth, h));
  toggle_.caption.text = "Menu";
  toggle_.colour = kToggleColour;
  toggle_.hover = toggle_.pressed = false;

  plate_.SetRect(D3DXVECTOR2(x, closedY_), D3DXVECTOR2(kPlateWidth, 5.0f * step + 12.0f));
  plate_.colour = kPlateColour;
  plate_.target = plate_.position;
  plate_.rate = rate;
  plate_.children.clear();
  plate_.children.push_back(&toggle_);

  // Below the bottom edge while closed; open, the last item sits where the
  // plate's top edge was when closed.
  itemCount_ = kBuiltItemCount;
  items_ = std::make_unique<ButtonObj[]>(static_cast<std::size_t>(itemCount_));
  for (int i = 0; i < itemCount_; ++i) {
    ButtonObj& item = items_[i];
    item.SetRect(D3DXVECTOR2(x + kInset, closedY_ + h + 18.0f + static_cast<float>(i) * step),
                 D3DXVECTOR2(kButtonWidth, h));
    item.caption.text = "";
    item.colour = kUncheckedColour;
    item.checked = false;
    plate_.children.push_back(&item);
  }
}

void MenuObj::Update(const GuiMouse& mouse) {
  toggle_.HitTest(mouse);
  if (toggle_.TakeClick(mouse)) SetOpen(!open_);
  for (int i = 0; i < itemCount_; ++i) {
    items_[i].HitTest(mouse);
    if (items_[i].TakeClick(mouse)) Click(items_[i]);
  }
  plate_.Update();
}

void MenuObj::SetOpen(bool open) {
  open_ = open;
  // A click while sliding retargets at once; the plate goes on from where
  // it is.
  plate_.target = D3DXVECTOR2(x_, open_ ? openY_ : closedY_);
}

void MenuObj::Click(ButtonObj& item) { SetItemChecked(static_cast<int>(&item - items_.get()), !item.checked); }

void MenuObj::ClickItem(int index) {
  if (ButtonObj* item = GetItem(index)) Click(*item);
}

void MenuObj::SetItemChecked(int index, bool state) {
  ButtonObj* item = GetItem(index);
  if (item == nullptr) return;
  item->checked = state;
  item->colour = state ? kCheckedColour : kUncheckedColour;
}

bool MenuObj::IsItemChecked(int index) const {
  return index >= 0 && index < itemCount_ && items_[index].checked;
}

void MenuObj::SetItemCaption(int index, const char* text) {
  if (ButtonObj* item = GetItem(index)) item->caption.text = text;
}
