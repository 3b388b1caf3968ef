#pragma once
// Globally unique identifiers, as the device and sound layers name their
// devices and interfaces with them.

#include <cstring>

#include "platform/win32/WinTypes.h"

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

// COM start-up is per thread on Windows; nothing here needs it, so both
// calls only keep the call sites.
inline HRESULT CoInitialize(LPVOID) { return S_OK; }
inline void CoUninitialize() {}
