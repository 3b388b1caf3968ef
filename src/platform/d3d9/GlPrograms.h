#pragma once
// Compiling GLSL stages and linking them into programs, shared by the
// fixed-function emulation and the effect system.

#include <string>

namespace d3d9 {

// A compiled shader of the GL type given, or 0 with the compiler's log.
unsigned CompileGlShader(unsigned type, const std::string& source, std::string* log);
// A program of the two stages (which stay owned by the caller and are
// detached again), or 0 with the linker's log.
unsigned LinkGlProgram(unsigned vertexShader, unsigned fragmentShader, std::string* log);

}  // namespace d3d9
