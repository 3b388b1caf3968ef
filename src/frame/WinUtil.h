#pragma once
// A tiny dialog layer on plain windows: WinGuiBase owns one top-level window
// whose messages arrive through a window procedure shared by every dialog
// object, and WinListSelect shows a list with OK and CANCEL buttons.
//
// Every live object is registered, so the shared procedure can find the
// object of a window and DestroyAllWindows can close them all. The objects
// share one font, made by the first and deleted with the last.

#include <vector>

#include "platform/win32/WinGdi.h"
#include "platform/win32/Windows.h"

namespace WinUtil {

class WinGuiBase {
 public:
  WinGuiBase();
  virtual ~WinGuiBase();
  WinGuiBase(const WinGuiBase&) = delete;
  WinGuiBase& operator=(const WinGuiBase&) = delete;

  // Opens the window (client 300 x 300, inside the work area) and builds
  // its controls. False when a window already exists or anything fails.
  bool Create(HINSTANCE instance);

  HWND GetWindow() const { return window_; }
  // True while the window is open.
  bool HasWindow() const { return window_ != nullptr && ::IsWindow(window_) != FALSE; }

  // Dispatches every queued message; sleeps 1 ms when there was none.
  static void PumpMessages();
  // Closes the window of every live dialog object.
  static void DestroyAllWindows();
  // The font all dialog controls use; null when no dialog object lives.
  static HFONT GetSharedFont();

  static constexpr int kClientWidth = 300;
  static constexpr int kClientHeight = 300;
  static constexpr int kPreferredLeft = 50;
  static constexpr int kPreferredTop = 50;

 protected:
  // Builds the child controls once the window exists.
  virtual bool OnCreate() { return true; }
  virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // True when the handle is this object's window.
  virtual bool IsWindow(HWND window) const { return window_ != nullptr && window == window_; }

  // Destroys the window, if any; the object stays usable.
  void CloseWindow();

  HWND window_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int clientWidth_ = kClientWidth;
  int clientHeight_ = kClientHeight;

 private:
  static LRESULT SharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static std::vector<WinGuiBase*>& LiveObjects();
};

// A list of texts with OK and CANCEL buttons. The selection is the chosen
// row, or -1 after CANCEL, the caption's close button or OK with no row
// selected. A double click on a row or Return on the list chooses at once.
class WinListSelect : public WinGuiBase {
 public:
  // Control ids (the child windows' HMENU values).
  static constexpr int kOkId = 0;
  static constexpr int kCancelId = 1;
  static constexpr int kListId = 2;

  // Appends a row to the open list; false when the window is closed.
  bool AddItem(const char* text);

  HWND GetListBox() const { return listBox_; }
  int GetCount() const { return count_; }
  int GetSelection() const { return selection_; }

 protected:
  bool OnCreate() override;
  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Takes the list's selection and closes the window.
  virtual void Decide();

 private:
  HWND listBox_ = nullptr;
  int count_ = 0;
  int selection_ = -1;
};

}  // namespace WinUtil
