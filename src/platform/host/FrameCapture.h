#pragma once
// Frame capture for tests and tools: the device's current colour target
// written as a PNG file.

#include <string>

class IDirect3DDevice9;

namespace host {

bool CaptureFrame(IDirect3DDevice9* device, const char* path, std::string* error);

}  // namespace host
