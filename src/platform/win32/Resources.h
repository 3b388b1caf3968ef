#pragma once
// Resources of the executable: blocks of bytes under a type and a numeric
// id, found and read with the Win32 calls. The bytes are embedded at build
// time (cmake/EmbedResources.cmake generates a source file that registers
// them while the program starts) and stay valid for the whole run.

#include "platform/win32/WinTypes.h"
#include "platform/win32/WinUser.h"

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = HANDLE;

#define RT_RCDATA MAKEINTRESOURCEA(10)

// A name or type made with MAKEINTRESOURCEA (a number below 0x10000), not a string.
inline bool IS_INTRESOURCE(LPCSTR name) { return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF; }

// module: null or any module handle (the executable is the only module).
// name and type: MAKEINTRESOURCEA(id) or the string "#id". Null when absent.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

namespace win32 {

// Adds a resource to the executable's table. The bytes are not copied and
// must outlive the program (static data). A second registration of the same
// type and id is refused (false) and the first one stays.
bool RegisterResource(WORD type, WORD id, const void* data, DWORD size);

}  // namespace win32
