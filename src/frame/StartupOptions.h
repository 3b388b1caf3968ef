#pragma once
// The command line of the game. Every option is an addition for players:
// started without any, the game takes its display configuration from the
// file beside it or asks for it, exactly as it always has.
//
//   --mode best|standard|fixed   the rendering mode for this run (no dialog)
//   --size WxH                   the window size for this run (no dialog)
//   --record FILE                plays as usual and records the session
//   --replay FILE                plays a recorded session back
//   --help                       the usage text

#include <string>

#include "frame/DisplayConfiguration.h"

struct StartupOptions {
  bool help = false;
  std::string mode;  // empty when not given
  int width = 0;     // 0 when --size is not given
  int height = 0;
  std::string recordPath;
  std::string replayPath;

  bool ChoosesDisplay() const { return !mode.empty() || width != 0; }
};

// The usage text, naming the configuration file (when there is one).
std::string StartupUsage(const char* configPath);

// False with *error for an unknown or repeated option, a missing or bad
// value, or options that exclude each other (--record with --replay; a
// replay takes its mode and size from the recording).
bool ParseStartupOptions(int argc, const char* const* argv, StartupOptions* options, std::string* error);

// The mode's shader and quality flags: best, standard or fixed (others
// leave the configuration as it is).
void ApplyModeName(const std::string& mode, DisplayConfiguration* config);
// The name of the configuration's mode: best, standard or fixed.
const char* ModeName(const DisplayConfiguration& config);
