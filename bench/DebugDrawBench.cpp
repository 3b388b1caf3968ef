// debug_draw_bench: debug drawing in the whole game, headless, in the
// standard mode at 800x600, with the scene's own population: debug drawing
// off, on in the simple mode (Bullet's wireframe) and on in the full mode
// (plus bounding boxes and constraints). For each it prints the primitives
// drawn per frame, the frame's time, process CPU and rate on the real clock,
// and then, on the last frame's primitives, the CPU of DrawShapes +
// DrawTexts with the GL draw calls skipped (our layers only) and made (with
// Mesa), and the CPU of one frame of the menu (MenuObj::Update and its
// drawing).
//
// A plain program rather than a Google Benchmark one: the primitives are
// those of a running game, taken at the end of its run.
//
//   debug_draw_bench [--root DIR] [--warm N] [--steady N] [--repeat N]
//
// Run it from the folder that holds data/ (or pass --root).

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "BenchScene.h"
#include "frame/DisplayConfiguration.h"
#include "frame/ImmediateVertices.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/Headless.h"
#include "platform/win32/CrtRandom.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class Debug { kOff, kSimple, kFull };

struct Settings {
  int warmFrames = 180;
  int steadyFrames = 300;
  int repeat = 20;
};

struct Results {
  double lines = 0.0, spheres = 0.0, labels = 0.0;  // per steady frame
  double workMs = 0.0;                              // inside Frame, per steady frame
  double cpuMs = 0.0;                               // process CPU, per steady frame
  double framesPerSecond = 0.0;
  double drawLayerMs = 0.0;  // DrawShapes + DrawTexts, GL draws skipped
  double drawMesaMs = 0.0;   // the same with the GL draws made
  double menuLayerMs = 0.0;  // MenuObj::Update + Draw, GL draws skipped
  double menuMesaMs = 0.0;
  int lastLines = 0, lastSpheres = 0, lastLabels = 0;
};

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// CPU time of every thread of the process (the game's, the physics
// worker's and the software rasteriser's): steadier than the wall clock on
// a shared machine.
double ProcessCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

class BenchApp : public AppMain {
 public:
  BenchApp(const Settings& settings, Debug debug) : settings_(settings), debug_(debug) {}
  Results results;

  bool Init() override {
    crt::srand(1);
    return AppMain::Init();
  }

  void Frame() override {
    if (frame_ == 1 && debug_ != Debug::kOff) SetDebugDrawItem(true);
    if (frame_ == 3 && debug_ == Debug::kFull) GetPhysics().SetDebugDraw(&GetDebugDraw(), false);
    const Clock::time_point begin = Clock::now();
    AppMain::Frame();
    const Clock::time_point end = Clock::now();
    if (frame_ >= settings_.warmFrames) {
      if (frame_ == settings_.warmFrames) {
        steadyStart_ = begin;
        cpuStart_ = ProcessCpuMs();
      }
      const DebugDrawSystem::DrawCounts& drawn = GetDebugDraw().GetLastDrawCounts();
      results.lines += drawn.lines;
      results.spheres += drawn.spheres;
      results.labels += drawn.labels;
      results.workMs += Milliseconds(end - begin);
    }
    ++frame_;
    if (frame_ == settings_.warmFrames + settings_.steadyFrames) {
      const double steady = settings_.steadyFrames;
      results.lines /= steady;
      results.spheres /= steady;
      results.labels /= steady;
      results.workMs /= steady;
      results.cpuMs = (ProcessCpuMs() - cpuStart_) / steady;
      results.framesPerSecond = steady / std::chrono::duration<double>(end - steadyStart_).count();
      TimeDrawing();
      SetQuitRequested(true);
    }
  }

 private:
  // The next frame's primitives (the join's wireframe and what lives on),
  // drawn again and again from a copy, with the debug pass's states.
  void TimeDrawing() {
    GetPhysics().FinishStep();
    DebugDrawSystem& debug = GetDebugDraw();
    const std::vector<DebugDrawSystem::Line> lines = debug.GetLines();
    const std::vector<DebugDrawSystem::Sphere> spheres = debug.GetSpheres();
    const std::vector<DebugDrawSystem::Label> labels = debug.GetLabels();
    results.lastLines = static_cast<int>(lines.size());
    results.lastSpheres = static_cast<int>(spheres.size());
    results.lastLabels = static_cast<int>(labels.size());

    IDirect3DDevice9* device = GetDevice();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    GuiMouse mouse;
    mouse.x = static_cast<float>(GetWidth() - 100);
    mouse.y = static_cast<float>(GetHeight() - 10);
    for (bool submit : {false, true}) {
      d3d9::SetDrawSubmission(device, submit);
      Clock::duration debugTime{}, menuTime{};
      // The first round warms the font's glyphs and the stream buffers.
      for (int r = -1; r < settings_.repeat; ++r) {
        for (const auto& l : lines) debug.AddLine(l.from, l.to, l.colour, 0, 0);
        for (const auto& s : spheres) debug.AddSphere(s.centre, s.radius, s.segments, s.colour, 0, 0);
        for (const auto& t : labels) debug.AddText(t.text.c_str(), t.anchor, t.colour, 0, 0);
        device->BeginScene();
        device->SetFVF(kColourVertexFvf);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetTexture(0, nullptr);
        device->SetTransform(D3DTS_WORLD, &identity);
        Clock::time_point t0 = Clock::now();
        debug.DrawShapes();
        device->SetFVF(kScreenVertexFvf);
        debug.DrawTexts();
        if (r >= 0) debugTime += Clock::now() - t0;

        t0 = Clock::now();
        GetMenu().Update(mouse);
        GetMenu().Draw(*this);
        if (r >= 0) menuTime += Clock::now() - t0;
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
      }
      (submit ? results.drawMesaMs : results.drawLayerMs) = Milliseconds(debugTime) / settings_.repeat;
      (submit ? results.menuMesaMs : results.menuLayerMs) = Milliseconds(menuTime) / settings_.repeat;
    }
  }

  const Settings& settings_;
  const Debug debug_;
  int frame_ = 0;
  Clock::time_point steadyStart_;
  double cpuStart_ = 0.0;
};

int Usage() {
  std::fprintf(stderr, "usage: debug_draw_bench [--root DIR] [--warm N] [--steady N] [--repeat N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  std::string root;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--root" && hasValue) {
      root = argv[++i];
    } else if (argument == "--warm" && hasValue) {
      if (!bench::ParseCount(argv[++i], &settings.warmFrames)) return Usage();
    } else if (argument == "--steady" && hasValue) {
      if (!bench::ParseCount(argv[++i], &settings.steadyFrames)) return Usage();
    } else if (argument == "--repeat" && hasValue) {
      if (!bench::ParseCount(argv[++i], &settings.repeat)) return Usage();
    } else {
      return Usage();
    }
  }
  if (!root.empty() && chdir(root.c_str()) != 0) {
    std::fprintf(stderr, "debug_draw_bench: cannot enter %s\n", root.c_str());
    return 1;
  }
  if (access("data", F_OK) != 0) {
    std::fprintf(stderr, "debug_draw_bench: no data/ folder here; run from the folder that holds it or pass --root\n");
    return 1;
  }

  host::UseHeadlessDrivers();
  DisplayConfiguration& display = GetDisplayConfiguration();
  display.width = 800;
  display.height = 600;
  display.useShaders = true;
  display.highQuality = false;

  std::printf("standard mode, 800x600, scene population; steady frames %d-%d on the real clock (60 Hz pacing)\n",
              settings.warmFrames, settings.warmFrames + settings.steadyFrames - 1);
  std::printf("%-6s %8s %7s %6s %9s %9s %6s | last frame: %6s %5s %5s %10s %10s | menu %9s %9s\n", "debug",
              "lines/f", "sphr/f", "lbl/f", "in-Frame", "CPU/frame", "fps", "lines", "sphr", "lbl", "draw layer",
              "draw Mesa", "layer", "Mesa");
  bool allRan = true;
  const struct {
    const char* name;
    Debug debug;
  } runs[] = {{"off", Debug::kOff}, {"simple", Debug::kSimple}, {"full", Debug::kFull}};
  for (const auto& run : runs) {
    BenchApp app(settings, run.debug);
    if (!app.Run(nullptr, 60.0f)) {
      std::fprintf(stderr, "debug_draw_bench: the game did not start\n");
      allRan = false;
      continue;
    }
    const Results& r = app.results;
    std::printf("%-6s %8.0f %7.1f %6.1f %7.2fms %7.2fms %6.1f | %18d %5d %5d %8.3fms %8.3fms | %7.3fms %7.3fms\n",
                run.name, r.lines, r.spheres, r.labels, r.workMs, r.cpuMs, r.framesPerSecond, r.lastLines,
                r.lastSpheres, r.lastLabels, r.drawLayerMs, r.drawMesaMs, r.menuLayerMs, r.menuMesaMs);
    std::fflush(stdout);
  }
  return allRan ? 0 : 1;
}
