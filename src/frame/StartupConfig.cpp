#include "frame/StartupConfig.h"

#include <strings.h>

#include <cctype>
#include <climits>
#include <cstring>

#include "frame/WinUtil.h"

namespace {

constexpr const char* kExtension = ".cfg";
constexpr std::size_t kExtensionLength = 4;
constexpr int kLineBufferSize = 512;

constexpr DisplayMode kDisplayModes[kDisplayModeCount] = {
    {"800x600 BestQuality", 800, 600, true, true},       {"1024x768 BestQuality", 1024, 768, true, true},
    {"1280x960 BestQuality", 1280, 960, true, true},     {"800x600 Standard", 800, 600, true, false},
    {"1024x768 Standard", 1024, 768, true, false},       {"1280x960 Standard", 1280, 960, true, false},
    {"800x600 FixedPipeline", 800, 600, false, false},   {"1024x768 FixedPipeline", 1024, 768, false, false},
    {"1280x960 FixedPipeline", 1280, 960, false, false},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One decimal integer with optional blanks and sign before it. Values beyond
// int's range fail instead of wrapping.
bool ParseInteger(const char** cursor, int* value) {
  const char* p = *cursor;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (std::isdigit(static_cast<unsigned char>(*p)) == 0) return false;
  long long magnitude = 0;
  while (std::isdigit(static_cast<unsigned char>(*p)) != 0) {
    magnitude = magnitude * 10 + (*p++ - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX || signedValue < INT_MIN) return false;
  *value = static_cast<int>(signedValue);
  *cursor = p;
  return true;
}

bool IsStoredSize(int size) { return size >= kMinStoredSize && size <= kMaxStoredSize; }

}  // namespace

bool MakeConfigPath(char* path) {
  if (path == nullptr) return false;
  path[kConfigPathSize - 1] = '\0';
  const char* name = std::strrchr(path, '/');
  name = name != nullptr ? name + 1 : path;
  if (char* dot = std::strrchr(const_cast<char*>(name), '.')) *dot = '\0';
  const std::size_t length = std::strlen(path);
  const std::size_t nameLength = std::strlen(name);
  if (nameLength >= kExtensionLength && strcasecmp(name + nameLength - kExtensionLength, kExtension) == 0) return true;
  if (length + kExtensionLength >= static_cast<std::size_t>(kConfigPathSize)) return false;
  std::memcpy(path + length, kExtension, kExtensionLength + 1);
  return true;
}

bool ParseConfigLine(const char* line, DisplayConfiguration* config) {
  if (line == nullptr || config == nullptr) return false;
  int values[4] = {};
  const char* cursor = line;
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && *cursor++ != ',') return false;
    if (!ParseInteger(&cursor, &values[i])) return false;
  }
  while (IsBlank(*cursor)) ++cursor;
  if (*cursor != '\0') return false;
  if (!IsStoredSize(values[0]) || !IsStoredSize(values[1])) return false;
  config->width = values[0];
  config->height = values[1];
  config->useShaders = values[2] != 0;
  config->highQuality = values[3] != 0;
  return true;
}

bool ReadConfig(const char* path) {
  std::FILE* file = path != nullptr ? std::fopen(path, "r") : nullptr;
  if (file == nullptr) return false;
  char line[kLineBufferSize];
  const bool read = std::fgets(line, sizeof(line), file) != nullptr;
  std::fclose(file);
  return read && ParseConfigLine(line, &GetDisplayConfiguration());
}

void WriteConfig(std::FILE* file) {
  if (file == nullptr) return;
  const DisplayConfiguration& config = GetDisplayConfiguration();
  std::fprintf(file, "%d,%d,%c,%c", config.width, config.height, config.useShaders ? '1' : '0',
               config.highQuality ? '1' : '0');
}

bool ConfigFitsScreen(const DisplayConfiguration& config, int screenWidth, int screenHeight) {
  return config.width <= screenWidth && config.height <= screenHeight;
}

const DisplayMode& GetDisplayMode(int row) {
  return kDisplayModes[row >= 0 && row < kDisplayModeCount ? row : 0];
}

bool ChooseDisplayMode(HINSTANCE instance) {
  WinUtil::WinListSelect dialog;
  dialog.Create(instance);
  if (dialog.HasWindow()) {
    for (const DisplayMode& mode : kDisplayModes) dialog.AddItem(mode.text);
  }
  while (dialog.HasWindow()) WinUtil::WinGuiBase::PumpMessages();

  const int row = dialog.GetSelection();
  if (row < 0 || row >= kDisplayModeCount) return false;
  const DisplayMode& mode = kDisplayModes[row];
  DisplayConfiguration& config = GetDisplayConfiguration();
  config.width = mode.width;
  config.height = mode.height;
  config.useShaders = mode.useShaders;
  config.highQuality = mode.highQuality;
  return true;
}
