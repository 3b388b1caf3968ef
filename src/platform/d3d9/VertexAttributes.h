#pragma once
// Attribute locations shared by the fixed-function emulation and the effect
// shaders: a vertex element always reaches the same location.

namespace d3d9 {

enum VertexAttribute : unsigned {
  kAttribPosition = 0,
  kAttribBlendWeight = 1,
  kAttribNormal = 2,
  kAttribColor0 = 3,  // diffuse
  kAttribColor1 = 4,  // specular
  kAttribTexCoord0 = 5,  // to kAttribTexCoord0 + 7
  kAttribTangent = 13,
  kAttribBinormal = 14,
  kAttribBlendIndices = 15,
  kAttribCount = 16,
};

// GLSL declarations of the attributes, in the names effect shaders use.
extern const char* const kVertexAttributeGlsl;

// GLSL helper every vertex shader of the layer ends with: turns a Direct3D
// clip position (y up, depth 0..w) into OpenGL's for the layer's top-down
// render targets, and moves it by half a pixel so that Direct3D's pixel
// centres (at whole screen coordinates) land on OpenGL's (at halves). The
// device sets the uniform it declares, d3d_PixelOffset, to one pixel of the
// viewport in clip units.
extern const char* const kClipFixGlsl;

}  // namespace d3d9
