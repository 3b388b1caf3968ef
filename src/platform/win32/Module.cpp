#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/WinBase.h"

DWORD GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size) {
  if (fileName == nullptr || size == 0) return 0;
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) {
    fileName[0] = '\0';
    return 0;
  }
  // Like Windows, a path that does not fit is truncated and still terminated.
  const DWORD copied = static_cast<DWORD>(length) < size ? static_cast<DWORD>(length) : size - 1;
  std::memcpy(fileName, path, copied);
  fileName[copied] = '\0';
  return copied;
}

void OutputDebugStringA(LPCSTR text) {
  if (text == nullptr) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}
