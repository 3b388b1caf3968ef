#include "frame/StartupOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/StartupConfig.h"

namespace {

bool ParseSide(const std::string& text, int* value) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const long parsed = std::strtol(text.c_str(), nullptr, 10);
  if (parsed < kMinStoredSize || parsed > kMaxStoredSize) return false;
  *value = static_cast<int>(parsed);
  return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find('x');
  return x != std::string::npos && ParseSide(text.substr(0, x), width) && ParseSide(text.substr(x + 1), height);
}

}  // namespace

std::string StartupUsage(const char* configPath) {
  const std::string config = configPath != nullptr && configPath[0] != '\0' ? configPath : "(none: asked every time)";
  return "usage: grapple [--mode best|standard|fixed] [--size WxH] [--record FILE | --replay FILE]\n"
         "Started without options, grapple takes its display mode from its configuration file or asks\n"
         "for it and stores it there: " + config + "\n"
         "  --mode best|standard|fixed  render with bloom and screen effects, with shaders only, or with\n"
         "                              the fixed-function pipeline, for this run (no dialog)\n"
         "  --size WxH                  the window's size for this run, each side 64 to 8192 (no dialog)\n"
         "  --record FILE               play as usual and record every input, the mode and the random\n"
         "                              seed into FILE (a text file)\n"
         "  --replay FILE               play a recorded session back in the window; the keyboard, mouse\n"
         "                              and pads are ignored, the close button ends it\n"
         "  --help                      this text\n"
         "Exit status: 1 after a game, 0 when the display dialog is cancelled, 2 for a bad command line,\n"
         "a recording that cannot be replayed or a recording that cannot be written.\n";
}

bool ParseStartupOptions(int argc, const char* const* argv, StartupOptions* options, std::string* error) {
  bool sizeGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i] != nullptr ? argv[i] : "";
    if (argument == "--help" || argument == "-h") {
      options->help = true;
      continue;
    }
    std::string* target = argument == "--mode"     ? &options->mode
                          : argument == "--record" ? &options->recordPath
                          : argument == "--replay" ? &options->replayPath
                                                   : nullptr;
    if (target == nullptr && argument != "--size") {
      *error = argument.empty() || argument[0] != '-' ? "unexpected argument '" + argument + "'"
                                                       : "unknown option " + argument;
      return false;
    }
    if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') {
      *error = argument + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    if ((target != nullptr && !target->empty()) || (target == nullptr && sizeGiven)) {
      *error = argument + " given twice";
      return false;
    }
    if (target == nullptr) {
      sizeGiven = true;
      if (!ParseSize(value, &options->width, &options->height)) {
        *error = "bad value for --size: " + value + " (WxH, each side from 64 to 8192)";
        return false;
      }
      continue;
    }
    *target = value;
    if (target == &options->mode && value != "best" && value != "standard" && value != "fixed") {
      *error = "bad value for --mode: " + value + " (best, standard or fixed)";
      return false;
    }
  }
  if (!options->recordPath.empty() && !options->replayPath.empty()) {
    *error = "--record and --replay exclude each other";
    return false;
  }
  if (!options->replayPath.empty() && options->ChoosesDisplay()) {
    *error = "--replay takes the mode and size from the recording; leave out --mode and --size";
    return false;
  }
  return true;
}

void ApplyModeName(const std::string& mode, DisplayConfiguration* config) {
  if (mode == "best" || mode == "standard" || mode == "fixed") {
    config->useShaders = mode != "fixed";
    config->highQuality = mode == "best";
  }
}

const char* ModeName(const DisplayConfiguration& config) {
  if (!config.useShaders) return "fixed";
  return config.highQuality ? "best" : "standard";
}
