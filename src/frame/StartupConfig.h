#pragma once
// The display configuration at start-up: the one-line file beside the
// executable ("width,height,shaders,quality", e.g. 1024,768,1,0), and the
// list dialog that asks for a display mode when there is no usable file.

#include <cstdio>

#include "frame/DisplayConfiguration.h"
#include "platform/win32/Windows.h"

// Path buffers hold this many bytes, terminator included.
constexpr int kConfigPathSize = 520;

// Stored sizes outside this range are treated as a damaged file.
constexpr int kMinStoredSize = 64;
constexpr int kMaxStoredSize = 8192;

// Turns the executable's path in `path` (kConfigPathSize bytes) into the
// configuration file's path: the file name's extension (from its last ".")
// is cut and ".cfg" appended, unless the cut name already ends in ".cfg"
// (any case). A dot in a directory name is not an extension. False, with
// the cut path left in the buffer, when ".cfg" does not fit: there is then
// no configuration file to read or write.
bool MakeConfigPath(char* path);

// Parses a first line "%d,%d,%d,%d" (width, height, useShaders,
// highQuality; a flag is set when its number is not 0). Four integers and
// nothing but white space after them, sizes within [kMinStoredSize,
// kMaxStoredSize]. False, leaving *config untouched, for anything else.
bool ParseConfigLine(const char* line, DisplayConfiguration* config);

// Reads the file's first line (up to 512 bytes) into the process's display
// configuration. False when the file does not open or the line is not a
// valid configuration; the configuration is then unchanged.
bool ReadConfig(const char* path);

// Writes the process's display configuration as "%d,%d,%c,%c", the flags as
// '1' or '0'.
void WriteConfig(std::FILE* file);

// True when a window of the configured client size fits the given screen.
bool ConfigFitsScreen(const DisplayConfiguration& config, int screenWidth, int screenHeight);

// The display modes the dialog offers, in list order.
struct DisplayMode {
  const char* text;
  int width;
  int height;
  bool useShaders;
  bool highQuality;
};
constexpr int kDisplayModeCount = 9;
const DisplayMode& GetDisplayMode(int row);

// Asks for a display mode in the list dialog and stores the choice in the
// process's display configuration. False when the dialog is cancelled or
// closed, or OK is pressed with no row selected.
bool ChooseDisplayMode(HINSTANCE instance);
