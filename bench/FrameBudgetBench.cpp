// frame_budget_bench: the frame budget of the whole game, headless, in the
// standard mode at 800x600, for the scene as it starts (20 fighters, 43
// props) and for a brawl of 200 fighters with 500 more props dropped over
// the arena. For each it prints, over a steady window after the bodies
// have landed:
//
// - with the GL draw calls skipped (our layers and the physics only): the
//   time inside each frame (it includes the wait for the physics join) and
//   the main thread's CPU per frame;
// - the draw submission of our layers: the main thread's CPU per frame
//   while the game is paused (no update, no step: the frame is the view
//   update and the drawing of the same state), draws still skipped;
// - the physics step alone: CPU and wall time of Bullet's internal step on
//   the worker thread, taken by the world's tick callbacks;
// - with the draws made (Mesa's software rasteriser here): the time inside
//   each frame, the frames per second reached and the CPU of every thread
//   of the process per frame.
//
// The game runs on the virtual clock, so every run simulates the same
// frames and nothing waits for the 60 Hz pacing: frames per second is the
// rate the frame itself allows. The CPU figures are steadier than the wall
// clock on a shared machine.
//
//   frame_budget_bench [--root DIR] [--warm N] [--steady N] [--scene-only | --crowd-only] [--draws-off-only]
//
// --draws-off-only ends each run before the draws-on phase (for profiling).
// Run it from the folder that holds data/ (or pass --root).

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchScene.h"
#include "BulletDynamics/Dynamics/btDiscreteDynamicsWorld.h"
#include "BulletDynamics/Dynamics/btRigidBody.h"
#include "app/AppMain.h"
#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/Headless.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/CrtRandom.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCrowdFighters = 200;
constexpr int kCrowdExtraProps = 500;

struct Settings {
  int warmFrames = 420;  // the crowd and the props fall from up to 650 units
  int steadyFrames = 300;
  bool scene = true;
  bool crowd = true;
  bool drawsOn = true;
};

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuMilliseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Bullet's internal step, timed on the thread that runs it.
struct StepTimer {
  double cpuStart = 0.0;
  Clock::time_point wallStart;
  double cpuSum = 0.0;
  double wallSum = 0.0;
  double worstWall = 0.0;
  int steps = 0;

  static void Before(btDynamicsWorld* world, btScalar) {
    auto* self = static_cast<StepTimer*>(world->getWorldUserInfo());
    self->cpuStart = CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    self->wallStart = Clock::now();
  }
  static void After(btDynamicsWorld* world, btScalar) {
    auto* self = static_cast<StepTimer*>(world->getWorldUserInfo());
    const double wall = Milliseconds(Clock::now() - self->wallStart);
    self->cpuSum += CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - self->cpuStart;
    self->wallSum += wall;
    if (wall > self->worstWall) self->worstWall = wall;
    ++self->steps;
  }
  void Reset() { *this = StepTimer{}; }
};

struct Window {
  double inFrame = 0.0;     // wall time inside Frame
  double mainCpu = 0.0;     // the main thread's CPU inside Frame
  double processCpu = 0.0;  // every thread's CPU over the window
  double seconds = 0.0;     // wall time of the window
  int frames = 0;
  StepTimer step;
  d3d9::Statistics device;  // what reached OpenGL over the window

  double PerFrame(double sum) const { return frames > 0 ? sum / frames : 0.0; }
};

// The phases of a run, in order.
enum Phase { kWarm, kDrawsOff, kPausedDrawsOff, kDrawsOn, kPhaseCount };

class BudgetApp : public AppMain {
 public:
  BudgetApp(const Settings& settings, bool crowd) : settings_(settings), crowd_(crowd) {}

  Window windows[kPhaseCount];
  int fighters = 0;
  int props = 0;
  std::string physicsLine;  // the world's statistics after the draws-off phase
  std::uint64_t worldHash = 0;  // and a hash of every body's transform and velocity then

  bool Init() override {
    crt::srand(1);  // the same opponents' choices on every run
    if (!AppMain::Init()) return false;
    if (crowd_) {
      bench::SpawnCrowd(*this, kCrowdFighters);
      SpawnExtraProps();
    }
    fighters = static_cast<int>(GetCharacters().size());
    props = static_cast<int>(GetProps().size());
    btDiscreteDynamicsWorld* world = GetPhysics().GetWorld();
    world->setInternalTickCallback(&StepTimer::Before, &timer_, true);
    world->setInternalTickCallback(&StepTimer::After, &timer_, false);
    d3d9::SetDrawSubmission(GetDevice(), false);
    return true;
  }

  void Frame() override {
    if (frame_ == 0) BeginPhase(kWarm);
    Window& window = windows[phase_];
    const double cpu = CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    const Clock::time_point begin = Clock::now();
    AppMain::Frame();
    window.inFrame += Milliseconds(Clock::now() - begin);
    window.mainCpu += CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
    ++window.frames;
    ++frame_;
    if (window.frames < PhaseLength(phase_)) return;
    EndPhase();
    if (phase_ == kDrawsOff) {
      physicsLine = GetPhysicsText();
      worldHash = HashWorld();
    }
    if (phase_ + 1 == kPhaseCount || (phase_ + 1 == kDrawsOn && !settings_.drawsOn)) {
      SetQuitRequested(true);
      return;
    }
    BeginPhase(static_cast<Phase>(phase_ + 1));
  }

 private:
  int PhaseLength(Phase phase) const {
    if (phase == kWarm) return settings_.warmFrames;
    if (phase == kPausedDrawsOff) return 60;
    return settings_.steadyFrames;
  }

  void BeginPhase(Phase phase) {
    phase_ = phase;
    SetPaused(phase == kPausedDrawsOff);
    d3d9::SetDrawSubmission(GetDevice(), phase == kDrawsOn);
    timer_.Reset();
    d3d9::ResetStatistics(GetDevice());
    phaseStart_ = Clock::now();
    phaseCpuStart_ = CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
  }

  void EndPhase() {
    // The step in flight belongs to this phase.
    GetPhysics().FinishStep();
    Window& window = windows[phase_];
    window.step = timer_;
    window.device = d3d9::GetStatistics(GetDevice());
    window.seconds = Milliseconds(Clock::now() - phaseStart_) / 1e3;
    window.processCpu = CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - phaseCpuStart_;
  }

  // FNV-1a over the bits of every body's transform and velocity: two
  // builds whose physics settle the same way give the same value.
  std::uint64_t HashWorld() {
    std::uint64_t hash = 1469598103934665603ull;
    auto add = [&hash](const btVector3& v) {
      unsigned char bytes[3 * sizeof(btScalar)];
      std::memcpy(bytes, v.m_floats, sizeof(bytes));
      for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ull;
    };
    const btCollisionObjectArray& objects = GetPhysics().GetWorld()->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
      const btTransform& t = objects[i]->getWorldTransform();
      add(t.getOrigin());
      for (int r = 0; r < 3; ++r) add(t.getBasis()[r]);
      if (const btRigidBody* body = btRigidBody::upcast(objects[i])) add(body->getLinearVelocity());
    }
    return hash;
  }

  // Props of the four kinds in turn, over the arena's interior, staggered in
  // height so that none starts inside another.
  void SpawnExtraProps() {
    std::mt19937 random(54321);
    std::uniform_real_distribution<float> across(-230.0f, 230.0f);
    const PropKindIndex kinds[] = {kPropW, kPropE, kPropQ, kPropR};
    for (int i = 0; i < kCrowdExtraProps; ++i) {
      const float x = across(random);
      const float z = across(random);
      SpawnProp(&GetPropKind(kinds[i % 4]), D3DXVECTOR3(x, 250.0f + 8.0f * static_cast<float>(i % 50), z));
    }
  }

  const Settings& settings_;
  const bool crowd_;
  int frame_ = 0;
  Phase phase_ = kWarm;
  StepTimer timer_;
  Clock::time_point phaseStart_;
  double phaseCpuStart_ = 0.0;
};

int Usage() {
  std::fprintf(stderr,
               "usage: frame_budget_bench [--root DIR] [--warm N] [--steady N] [--scene-only | --crowd-only] "
               "[--draws-off-only]\n");
  return 2;
}

void PrintRow(const char* name, const BudgetApp& app) {
  const Window& off = app.windows[kDrawsOff];
  const Window& paused = app.windows[kPausedDrawsOff];
  const Window& on = app.windows[kDrawsOn];
  const int steps = off.step.steps > 0 ? off.step.steps : 1;
  std::printf("%-6s %4d %5d | %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f | %8.2f %6.1f %8.2f %8.2f\n", name,
              app.fighters, app.props, off.PerFrame(off.inFrame), off.PerFrame(off.mainCpu),
              paused.PerFrame(paused.mainCpu), off.step.cpuSum / steps, off.step.wallSum / steps, off.step.worstWall,
              on.PerFrame(on.inFrame), on.seconds > 0.0 ? on.frames / on.seconds : 0.0, on.PerFrame(on.mainCpu),
              on.PerFrame(on.processCpu));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (argument == "--root" && value != nullptr) {
      if (chdir(argv[++i]) != 0) {
        std::fprintf(stderr, "frame_budget_bench: cannot enter %s\n", value);
        return 1;
      }
    } else if (argument == "--warm" && value != nullptr) {
      if (!bench::ParseCount(argv[++i], &settings.warmFrames)) return Usage();
    } else if (argument == "--steady" && value != nullptr) {
      if (!bench::ParseCount(argv[++i], &settings.steadyFrames)) return Usage();
    } else if (argument == "--crowd-only") {
      settings.scene = false;
    } else if (argument == "--scene-only") {
      settings.crowd = false;
    } else if (argument == "--draws-off-only") {
      settings.drawsOn = false;
    } else {
      return Usage();
    }
  }
  if (access("data", F_OK) != 0) {
    std::fprintf(stderr, "frame_budget_bench: no data/ folder here; run from the folder that holds it or pass --root\n");
    return 1;
  }

  host::UseHeadlessDrivers();
  DisplayConfiguration& display = GetDisplayConfiguration();
  display.width = 800;
  display.height = 600;
  display.useShaders = true;
  display.highQuality = false;

  std::printf("Standard mode, 800x600, virtual clock. After %d frames: %d frames with draws off, 60 paused, %d with\n"
              "draws on. Milliseconds per frame; \"draw CPU\" is the main thread's CPU of a paused frame.\n",
              settings.warmFrames, settings.steadyFrames, settings.steadyFrames);
  std::printf("%-6s %4s %5s | %-26s | %-26s | %s\n", "", "", "", "draws off: our layers", "physics step alone",
              "draws on (Mesa)");
  std::printf("%-6s %4s %5s | %8s %8s %8s | %8s %8s %8s | %8s %6s %8s %8s\n", "run", "figh", "props", "in-Frame",
              "main CPU", "draw CPU", "CPU", "wall", "worst", "in-Frame", "fps", "main CPU", "all CPU");
  bool allRan = true;
  std::vector<std::string> lines;
  for (const bool crowd : {false, true}) {
    if ((crowd && !settings.crowd) || (!crowd && !settings.scene)) continue;
    host::VirtualClock clock;
    BudgetApp app(settings, crowd);
    if (!app.Run(nullptr, 60.0f)) {
      std::fprintf(stderr, "frame_budget_bench: the %s run did not start\n", crowd ? "crowd" : "scene");
      allRan = false;
      continue;
    }
    PrintRow(crowd ? "crowd" : "scene", app);
    char hash[32];
    std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(app.worldHash));
    lines.push_back(std::string(crowd ? "crowd" : "scene") + ": " + app.physicsLine + ", state " + hash);
    const Window& off = app.windows[kDrawsOff];
    char counts[160];
    std::snprintf(counts, sizeof(counts), "%s: per frame %.0f draws, %.0f GL state changes, %.0f program switches",
                  crowd ? "crowd" : "scene", off.PerFrame(static_cast<double>(off.device.drawCalls)),
                  off.PerFrame(static_cast<double>(off.device.glStateChanges)),
                  off.PerFrame(static_cast<double>(off.device.programSwitches)));
    lines.push_back(counts);
  }
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return allRan ? 0 : 1;
}
