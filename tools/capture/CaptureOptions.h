#pragma once
// The capture tool's command line.

#include <string>
#include <vector>

struct CaptureOptions {
  std::string mode = "best";  // best, standard or fixed
  int width = 800;
  int height = 600;
  int frames = 60;
  int every = 0;
  std::vector<int> chosenFrames;  // --frame, sorted, no repeats
  bool framesGiven = false;  // --frames on the command line (a replay runs to its end without)
  std::string inputPath;
  std::string recordPath;  // record the run's input as a session
  std::string replayPath;  // replay a recorded session (its mode, size, seed and input)
  std::string wavPath;
  std::string root;  // entered before the run when set
  std::string prefix;
  bool help = false;
  bool trace = false;  // print the camera, the player and every fighter beside each written frame

  // Frame `frame` (counting from 1) is written: every `every`-th, each
  // chosen one, and with neither of those the last.
  bool IsFrameWanted(int frame) const;
};

// The usage text printed by --help and after a bad command line.
const char* CaptureUsage();

// False with *error set for an unknown option, a missing or malformed
// value, options that exclude each other (--replay takes its input, mode
// and size from the recording), or a chosen frame past the last (checked
// later for a replay, whose length the recording gives).
bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error);
