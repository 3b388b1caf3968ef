// DebugDrawSystem: the three lists, their ageing, and their drawing through
// the device layer. The lists keep their capacity, so a steady stream of
// primitives stops allocating once the lists have grown.

#include "effects/DebugDrawSystem.h"

#include <algorithm>
#include <cmath>

#include "frame/FwDX9.h"
#include "frame/ImmediateVertices.h"

namespace {

// A sphere finer than this is drawn with this many segments per circle;
// the cap keeps a wild request from costing a frame.
constexpr int kMaxSphereSegments = 360;
// Label points farther off screen than this are clamped before they become
// pixel coordinates (a point near the camera plane projects far out).
constexpr float kMaxScreenCoordinate = 1.0e6f;
// Lines per draw call.
constexpr int kLineBatch = 1024;

// Fills the lifetime. Negative frame counts are taken as 0 so that every
// primitive expires.
void StartLifetime(DebugDrawSystem::Lifetime* lifetime, D3DCOLOR colour, int holdFrames, int fadeFrames) {
  lifetime->colour = colour;
  lifetime->holdFrames = std::max(holdFrames, 0);
  lifetime->fadeFrames = std::max(fadeFrames, 0);
  lifetime->fadeStep = static_cast<std::uint8_t>((colour >> 24) / (static_cast<std::uint32_t>(lifetime->fadeFrames) + 1u));
}

// One frame of a primitive's life, right after its draw. True when it is
// over. The fade never takes the alpha below 0: fadeStep x fadeFrames is
// less than the initial alpha.
bool Age(DebugDrawSystem::Lifetime* lifetime) {
  if (lifetime->holdFrames > 0) --lifetime->holdFrames;
  if (lifetime->holdFrames != 0) return false;
  if (lifetime->fadeFrames == 0) return true;
  const std::uint32_t alpha = (lifetime->colour >> 24) - lifetime->fadeStep;
  lifetime->colour = (lifetime->colour & 0x00FFFFFFu) | (alpha << 24);
  --lifetime->fadeFrames;
  return false;
}

// Draws the list from its last element to its first, ages each element
// right after its draw, and then drops the expired ones in one pass that
// keeps the order of the rest.
template <class Primitive, class DrawOne>
void DrawAndAge(std::vector<Primitive>* list, DrawOne drawOne) {
  const std::size_t count = list->size();
  // Expired entries are marked by a hold of -1 until the compaction.
  bool anyExpired = false;
  for (std::size_t i = count; i-- > 0;) {
    Primitive& primitive = (*list)[i];
    drawOne(primitive);
    if (Age(&primitive)) {
      primitive.holdFrames = -1;
      anyExpired = true;
    }
  }
  if (!anyExpired) return;
  list->erase(std::remove_if(list->begin(), list->end(), [](const Primitive& p) { return p.holdFrames < 0; }),
              list->end());
}

}  // namespace

void DebugDrawSystem::AddLine(const D3DXVECTOR3& from, const D3DXVECTOR3& to, D3DCOLOR colour, int holdFrames,
                              int fadeFrames) {
  Line& line = lines_.emplace_back();
  StartLifetime(&line, colour, holdFrames, fadeFrames);
  line.from = from;
  line.to = to;
}

void DebugDrawSystem::AddSphere(const D3DXVECTOR3& centre, float radius, int segments, D3DCOLOR colour,
                                int holdFrames, int fadeFrames) {
  Sphere& sphere = spheres_.emplace_back();
  StartLifetime(&sphere, colour, holdFrames, fadeFrames);
  sphere.centre = centre;
  sphere.radius = radius;
  sphere.segments = std::clamp(segments, 0, kMaxSphereSegments);
}

void DebugDrawSystem::AddText(const char* text, const D3DXVECTOR3& anchor, D3DCOLOR colour, int holdFrames,
                              int fadeFrames) {
  Label& label = labels_.emplace_back();
  StartLifetime(&label, colour, holdFrames, fadeFrames);
  label.anchor = anchor;
  label.text.assign(text != nullptr ? text : "");
}

void DebugDrawSystem::DrawShapes() {
  IDirect3DDevice9* device = frame_ != nullptr ? frame_->GetDevice() : nullptr;
  lastDrawn_.lines = static_cast<int>(lines_.size());
  lastDrawn_.spheres = static_cast<int>(spheres_.size());
  // Lines go out in batches from a fixed buffer, in the order of the walk:
  // the pixels of one draw per line, at a fraction of the draw calls (the
  // world's wireframe alone is tens of thousands of lines).
  ColourVertex batch[kLineBatch * 2];
  int pending = 0;
  auto flush = [device, &batch, &pending]() {
    if (device != nullptr && pending > 0) {
      device->DrawPrimitiveUP(D3DPT_LINELIST, static_cast<UINT>(pending), batch, sizeof(ColourVertex));
    }
    pending = 0;
  };
  DrawAndAge(&lines_, [&batch, &pending, &flush](const Line& line) {
    batch[pending * 2] = ColourVertex{line.from.x, line.from.y, line.from.z, line.colour};
    batch[pending * 2 + 1] = ColourVertex{line.to.x, line.to.y, line.to.z, line.colour};
    if (++pending == kLineBatch) flush();
  });
  flush();
  FwDX9* frame = frame_;
  DrawAndAge(&spheres_, [frame](const Sphere& sphere) {
    if (frame != nullptr) frame->DrawCircles3D(sphere.centre, sphere.radius, sphere.segments, sphere.colour);
  });
}

D3DXVECTOR2 DebugDrawSystem::SpreadLabel(const D3DXVECTOR2& point, const D3DXVECTOR2& centre) {
  const float ring = 0.5f * D3DXVec2Length(&centre);
  const D3DXVECTOR2 offset = point - centre;
  const float distance = D3DXVec2Length(&offset);
  if (!(distance > 0.0f) || !std::isfinite(distance)) return centre;
  return centre + offset * ((0.4f * distance + 0.6f * ring) / distance);
}

void DebugDrawSystem::DrawTexts() {
  FwDX9* frame = frame_;
  ID3DXFont* font = frame != nullptr ? frame->GetFont() : nullptr;
  lastDrawn_.labels = static_cast<int>(labels_.size());
  DrawAndAge(&labels_, [frame, font](const Label& label) {
    if (frame == nullptr) return;
    D3DXVECTOR3 projected = label.anchor;
    if (!frame->WorldToScreen(&projected)) return;  // behind the camera
    const D3DXVECTOR2 centre(static_cast<float>(frame->GetWidth()) * 0.5f,
                             static_cast<float>(frame->GetHeight()) * 0.5f);
    const D3DXVECTOR2 point(std::clamp(projected.x, -kMaxScreenCoordinate, kMaxScreenCoordinate),
                            std::clamp(projected.y, -kMaxScreenCoordinate, kMaxScreenCoordinate));
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return;
    const D3DXVECTOR2 at = SpreadLabel(point, centre);
    frame->DrawLine2D(label.colour, point, at);
    if (font == nullptr) return;
    // The leader line ends at the bottom of a label above its point, at
    // the top of one below it.
    const int left = static_cast<int>(std::lround(at.x));
    int top = static_cast<int>(std::lround(at.y));
    if (at.y <= point.y) top -= frame->GetFontHeight();
    RECT rect{left, top, left, top + frame->GetFontHeight()};
    font->DrawTextA(nullptr, label.text.c_str(), -1, &rect, DT_CENTER | DT_NOCLIP, label.colour);
  });
}
