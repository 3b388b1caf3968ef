#include <SDL.h>

#include <cstdio>
#include <mutex>

#include "platform/win32/Automation.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/WinUser.h"

namespace {

std::mutex g_recordLock;
std::vector<platform::RecordedMessageBox> g_recorded;

Uint32 SdlFlags(UINT type) {
  switch (type & 0xF0) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
    default: return SDL_MESSAGEBOX_INFORMATION;
  }
}

}  // namespace

namespace platform {

std::vector<RecordedMessageBox> TakeRecordedMessageBoxes() {
  std::lock_guard<std::mutex> guard(g_recordLock);
  std::vector<RecordedMessageBox> taken;
  taken.swap(g_recorded);
  return taken;
}

}  // namespace platform

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const char* safeText = text != nullptr ? text : "";
  const char* safeCaption = caption != nullptr ? caption : "Error";
  {
    std::lock_guard<std::mutex> guard(g_recordLock);
    g_recorded.push_back(platform::RecordedMessageBox{owner, safeCaption, safeText});
  }
  // Headless runs never block on a box nobody can see; a box that cannot be
  // shown is printed too, so no message is ever lost.
  if (platform::IsHeadless() ||
      SDL_ShowSimpleMessageBox(SdlFlags(type), safeCaption, safeText, platform::SdlWindowOf(owner)) != 0) {
    std::fprintf(stderr, "[%s] %s\n", safeCaption, safeText);
    std::fflush(stderr);
  }
  return IDOK;
}
