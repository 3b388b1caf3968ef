#pragma once
// Debug primitives requested anywhere in the game during a frame: world-space
// lines, wire spheres and text labels anchored at world points. Each one
// carries its own lifetime: it stays at its opacity for holdFrames draws,
// then loses fadeStep of alpha per draw for fadeFrames draws, then goes, so
// that a one-off event stays readable on screen. Main thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

class FwDX9;

class DebugDrawSystem {
 public:
  // What every primitive starts with.
  struct Lifetime {
    D3DCOLOR colour = 0;  // ARGB; the alpha byte fades
    std::int32_t holdFrames = 0;
    std::int32_t fadeFrames = 0;
    std::uint8_t fadeStep = 0;  // initial alpha / (fadeFrames + 1), integer
  };
  struct Line : Lifetime {
    D3DXVECTOR3 from;
    D3DXVECTOR3 to;
  };
  struct Sphere : Lifetime {
    D3DXVECTOR3 centre;
    float radius = 0.0f;
    std::int32_t segments = 0;
  };
  struct Label : Lifetime {
    D3DXVECTOR3 anchor;
    std::string text;  // owned copy
  };

  DebugDrawSystem() = default;
  virtual ~DebugDrawSystem() = default;
  DebugDrawSystem(const DebugDrawSystem&) = delete;
  DebugDrawSystem& operator=(const DebugDrawSystem&) = delete;

  // The device layer that supplies the device, screen size, font,
  // projection and the line and circle drawing. Without one, the draws
  // still age every primitive.
  void SetFrame(FwDX9* frame) { frame_ = frame; }

  void AddLine(const D3DXVECTOR3& from, const D3DXVECTOR3& to, D3DCOLOR colour, int holdFrames, int fadeFrames);
  // Three great circles (planes XY, XZ, YZ) of `segments` segments each.
  void AddSphere(const D3DXVECTOR3& centre, float radius, int segments, D3DCOLOR colour, int holdFrames,
                 int fadeFrames);
  // The text is copied; null is taken as empty.
  void AddText(const char* text, const D3DXVECTOR3& anchor, D3DCOLOR colour, int holdFrames, int fadeFrames);

  // Lines, then spheres, in the 3D pass: the caller has set the position +
  // colour vertex format and the transforms. Every primitive ages once.
  void DrawShapes();
  // Labels, in the 2D pass: each is spread outwards from the screen centre
  // and tied to its point by a leader line. Every label ages once, also one
  // behind the camera, which is not drawn.
  void DrawTexts();

  const std::vector<Line>& GetLines() const { return lines_; }
  const std::vector<Sphere>& GetSpheres() const { return spheres_; }
  const std::vector<Label>& GetLabels() const { return labels_; }
  int GetPrimitiveCount() const { return static_cast<int>(lines_.size() + spheres_.size() + labels_.size()); }
  // What the last DrawShapes and DrawTexts drew (for the statistics).
  struct DrawCounts {
    int lines = 0;
    int spheres = 0;
    int labels = 0;
  };
  const DrawCounts& GetLastDrawCounts() const { return lastDrawn_; }

  // Where a label whose point projects to `point` is written, for a screen
  // whose centre is `centre`: pulled towards the ring a quarter diagonal
  // from the centre. A point at the centre itself stays there.
  static D3DXVECTOR2 SpreadLabel(const D3DXVECTOR2& point, const D3DXVECTOR2& centre);

 private:
  FwDX9* frame_ = nullptr;
  std::vector<Line> lines_;
  std::vector<Sphere> spheres_;
  std::vector<Label> labels_;
  DrawCounts lastDrawn_;
};
