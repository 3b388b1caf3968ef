#include "CaptureOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxFrames = 10000000;
constexpr int kMaxSide = 4096;

bool ParsePositive(const char* text, int high, int* value) {
  if (text == nullptr || *text == '\0' || std::strlen(text) > 10) return false;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed < 1 || parsed > high) return false;
  *value = static_cast<int>(parsed);
  return true;
}

bool ParseSize(const char* text, int* width, int* height) {
  const char* x = std::strchr(text, 'x');
  if (x == nullptr) return false;
  const std::string left(text, x);
  return ParsePositive(left.c_str(), kMaxSide, width) && ParsePositive(x + 1, kMaxSide, height);
}

}  // namespace

bool CaptureOptions::IsFrameWanted(int frame) const {
  if (every > 0 && frame % every == 0) return true;
  if (std::binary_search(chosenFrames.begin(), chosenFrames.end(), frame)) return true;
  return every == 0 && chosenFrames.empty() && frame == frames;
}

const char* CaptureUsage() {
  return "usage: capture [options] OUT_PREFIX\n"
         "Runs the game headless on a virtual clock and writes frames as OUT_PREFIX_NNNN.png.\n"
         "Run it from the folder that holds data/, or pass --root.\n"
         "  --mode best|standard|fixed  rendering mode (default best)\n"
         "  --size WxH                  window size, up to 4096x4096 (default 800x600)\n"
         "  --frames N                  frames to run (default 60)\n"
         "  --every K                   write every K-th frame\n"
         "  --frame N                   write frame N (repeatable; frames count from 1)\n"
         "                              without --every and --frame only the last frame is written\n"
         "  --input FILE                scripted input events, one per line:\n"
         "                                <frame> key down|up|tap <KEY>\n"
         "                                <frame> mouse move <X> <Y>\n"
         "                                <frame> mouse down|up left|right|middle|x1|x2\n"
         "                                <frame> wheel <NOTCHES>\n"
         "                                <frame> pad <P> plug|unplug\n"
         "                                <frame> pad <P> axis <AXIS> <VALUE>\n"
         "                                <frame> pad <P> down|up <BUTTON>\n"
         "                                <frame> focus lost|gained\n"
         "                                <frame> close\n"
         "                              '#' starts a comment; KEY is UP, DOWN, LEFT, RIGHT, SPACE, SHIFT,\n"
         "                              CONTROL, ALT, ESCAPE, RETURN, TAB, F1..F12, A..Z, 0..9 or SCAN<n>;\n"
         "                              AXIS is LEFTX, LEFTY, RIGHTX, RIGHTY, LEFTTRIGGER or RIGHTTRIGGER;\n"
         "                              BUTTON is A, B, X, Y, BACK, START, LEFTSHOULDER, DPUP, ...\n"
         "  --record FILE               record the run's input as a session that replays exactly\n"
         "  --replay FILE               replay a recorded session (from grapple --record or --record\n"
         "                              here) with its mode, size, seed and input, to its end\n"
         "  --wav FILE                  write the run's sound mix as a 16-bit stereo WAV file\n"
         "  --trace                     with each written frame print the camera eye, view direction,\n"
         "                              the player's position and the ground under the player\n"
         "  --root DIR                  enter DIR (the folder holding data/) before the run\n"
         "  --help                      this text\n"
         "Exit status: 0 on success, 1 when the run or a write fails, 2 for a bad command line.\n";
}

bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options, std::string* error) {
  bool modeOrSizeGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    const bool takesValue = argument == "--mode" || argument == "--size" || argument == "--frames" ||
                            argument == "--every" || argument == "--frame" || argument == "--input" ||
                            argument == "--wav" || argument == "--root" || argument == "--record" ||
                            argument == "--replay";
    if (takesValue && value == nullptr) {
      *error = argument + " needs a value";
      return false;
    }
    if (takesValue) ++i;
    bool valid = true;
    if (argument == "--help" || argument == "-h") {
      options->help = true;
    } else if (argument == "--trace") {
      options->trace = true;
    } else if (argument == "--mode" || argument == "--size") {
      modeOrSizeGiven = true;
      if (argument == "--mode") {
        options->mode = value;
        valid = options->mode == "best" || options->mode == "standard" || options->mode == "fixed";
      } else {
        valid = ParseSize(value, &options->width, &options->height);
      }
    } else if (argument == "--frames") {
      valid = ParsePositive(value, kMaxFrames, &options->frames);
      options->framesGiven = true;
    } else if (argument == "--every") {
      valid = ParsePositive(value, kMaxFrames, &options->every);
    } else if (argument == "--frame") {
      int frame = 0;
      valid = ParsePositive(value, kMaxFrames, &frame);
      if (valid) options->chosenFrames.push_back(frame);
    } else if (argument == "--input") {
      options->inputPath = value;
    } else if (argument == "--record") {
      options->recordPath = value;
    } else if (argument == "--replay") {
      options->replayPath = value;
    } else if (argument == "--wav") {
      options->wavPath = value;
    } else if (argument == "--root") {
      options->root = value;
    } else if (!argument.empty() && argument[0] != '-' && options->prefix.empty()) {
      options->prefix = argument;
    } else {
      *error = options->prefix.empty() || argument[0] == '-' ? "unknown option " + argument
                                                              : "a second output prefix " + argument;
      return false;
    }
    if (!valid) {
      *error = "bad value for " + argument + ": " + value;
      return false;
    }
  }
  if (options->help) return true;
  if (options->prefix.empty()) {
    *error = "no output prefix";
    return false;
  }
  if (!options->replayPath.empty() && (!options->inputPath.empty() || modeOrSizeGiven)) {
    *error = "--replay takes its input, mode and size from the recording; leave out --input, --mode and --size";
    return false;
  }
  std::sort(options->chosenFrames.begin(), options->chosenFrames.end());
  options->chosenFrames.erase(std::unique(options->chosenFrames.begin(), options->chosenFrames.end()),
                              options->chosenFrames.end());
  if (!options->chosenFrames.empty() && options->chosenFrames.back() > options->frames &&
      (options->replayPath.empty() || options->framesGiven)) {
    *error = "--frame " + std::to_string(options->chosenFrames.back()) + " is past the last frame " +
             std::to_string(options->frames);
    return false;
  }
  return true;
}
