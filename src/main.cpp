// The grapple executable. Takes the display configuration from the file
// beside the executable (or, installed where that folder is not writable,
// from the user's configuration folder), or asks for it once in the list
// dialog and stores it there, then runs the application at 60 frames per
// second. Exits with 0 when the dialog is cancelled (no window is made),
// else 1.
//
// Options (none are needed) choose the mode and size for one run, record
// the session or replay a recorded one; 2 is the exit status for a bad
// command line and for a recording that cannot be replayed or written.

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "app/AppMain.h"
#include "frame/InstallPaths.h"
#include "frame/StartupConfig.h"
#include "frame/StartupOptions.h"
#include "platform/host/InputRecorder.h"
#include "platform/host/Replay.h"
#include "platform/win32/Windows.h"

#ifndef GRAPPLE_VERSION
#define GRAPPLE_VERSION "0"
#endif

namespace {

// A stored size larger than the screen is treated like a damaged file: the
// user is asked again instead of getting a window that cannot be seen whole.
bool StoredConfigIsUsable(const char* path) {
  return ReadConfig(path) &&
         ConfigFitsScreen(GetDisplayConfiguration(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool FitsScreen(const DisplayConfiguration& config) {
  return ConfigFitsScreen(config, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

// The application with a recorder or a replay hooked around its frames.
class SessionApp : public AppMain {
 public:
  SessionApp(host::Replay* replay, host::InputRecorder* recorder) : replay_(replay), recorder_(recorder) {}

  bool Init() override {
    if (replay_ != nullptr) replay_->Start(GetWindow());
    if (recorder_ != nullptr) recorder_->Start(GetWindow());
    return AppMain::Init();
  }

  void Frame() override {
    AppMain::Frame();
    if (recorder_ != nullptr) recorder_->EndFrame();
    if (replay_ != nullptr && replay_->EndFrame()) SetQuitRequested(true);
  }

 private:
  host::Replay* replay_;
  host::InputRecorder* recorder_;
};

// The display configuration for a run without options: the stored file,
// or the dialog, whose choice is stored. False when the dialog is cancelled.
bool ConfigureAsAlways(const char* path) {
  if (path != nullptr && StoredConfigIsUsable(path)) return true;
  if (!ChooseDisplayMode(nullptr)) return false;
  // A file that cannot be written only means being asked again next time.
  if (path != nullptr && MakeParentFolders(path)) {
    if (std::FILE* file = std::fopen(path, "w")) {
      WriteConfig(file);
      std::fclose(file);
    }
  }
  return true;
}

// --mode and --size over the stored configuration (or the first mode of the
// dialog without one), for this run only.
bool ConfigureFromOptions(const StartupOptions& options, const char* path) {
  DisplayConfiguration& config = GetDisplayConfiguration();
  if (path == nullptr || !StoredConfigIsUsable(path)) config = DisplayConfiguration{};
  ApplyModeName(options.mode, &config);
  if (options.width != 0) {
    config.width = options.width;
    config.height = options.height;
  }
  if (!FitsScreen(config)) {
    std::fprintf(stderr, "grapple: a %dx%d window does not fit the screen (%dx%d)\n", config.width, config.height,
                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return false;
  }
  return true;
}

// The recording's mode and size.
bool ConfigureFromRecording(const std::string& recordingPath, const ScriptHeader& header) {
  DisplayConfiguration& config = GetDisplayConfiguration();
  ApplyModeName(header.mode, &config);
  config.width = header.width;
  config.height = header.height;
  if (!FitsScreen(config)) {
    std::fprintf(stderr, "grapple: %s: line %d: the recorded %dx%d window does not fit this screen (%dx%d)\n",
                 recordingPath.c_str(), header.sizeLine, config.width, config.height, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  HINSTANCE instance = nullptr;  // the executable itself
  char module[kConfigPathSize] = {};
  const bool haveModule = GetModuleFileNameA(instance, module, kConfigPathSize) > 0;
  // The configuration file: beside the executable, or in the user's
  // configuration folder when the executable's folder is not writable.
  char path[kConfigPathSize] = {};
  bool havePath = haveModule;
  if (havePath) {
    std::snprintf(path, sizeof(path), "%s", module);
    const std::string chosen = MakeConfigPath(path) ? ChooseConfigPath(path) : std::string();
    havePath = !chosen.empty() && chosen.size() < sizeof(path);
    if (havePath) std::snprintf(path, sizeof(path), "%s", chosen.c_str());
  }

  StartupOptions options;
  std::string error;
  if (!ParseStartupOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "grapple: %s\n%s", error.c_str(), StartupUsage(havePath ? path : nullptr).c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(StartupUsage(havePath ? path : nullptr).c_str(), stdout);
    return 0;
  }

  host::Replay replay;
  const bool replaying = !options.replayPath.empty();
  if (replaying) {
    if (!replay.Load(options.replayPath.c_str(), GRAPPLE_VERSION, &error)) {
      std::fprintf(stderr, "grapple: %s\n", error.c_str());
      return 2;
    }
    if (!ConfigureFromRecording(options.replayPath, replay.GetHeader())) return 2;
  } else if (options.ChoosesDisplay()) {
    if (!ConfigureFromOptions(options, havePath ? path : nullptr)) return 2;
  } else if (!ConfigureAsAlways(havePath ? path : nullptr)) {
    return 0;
  }

  host::InputRecorder recorder;
  const bool recording = !options.recordPath.empty();
  if (recording) {
    const DisplayConfiguration& config = GetDisplayConfiguration();
    const host::InputRecorder::Session session{GRAPPLE_VERSION, static_cast<unsigned>(std::time(nullptr)),
                                               ModeName(config), config.width, config.height};
    if (!recorder.Open(options.recordPath.c_str(), session, &error)) {
      std::fprintf(stderr, "grapple: %s\n", error.c_str());
      return 2;
    }
  }

  // Installed, the game runs where its data is unless ./data/ exists.
  if (haveModule) EnterInstalledDataRoot(module);

  std::unique_ptr<AppMain> app;
  if (replaying || recording) {
    app = std::make_unique<SessionApp>(replaying ? &replay : nullptr, recording ? &recorder : nullptr);
  } else {
    app = std::make_unique<AppMain>();
  }
  app->Run(instance, 60.0f);
  app.reset();
  if (recording && !recorder.Finish(&error)) {
    std::fprintf(stderr, "grapple: %s\n", error.c_str());
    return 2;
  }
  return 1;
}
