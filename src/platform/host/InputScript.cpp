#include "platform/host/InputScript.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/host/ScriptedInput.h"
#include "platform/win32/KeyMap.h"
#include "platform/win32/WinUser.h"

namespace {

constexpr int kScancodeCount = 512;
constexpr int kMaxWheelDelta = 100 * WHEEL_DELTA;

// Pad axes and buttons in SDL's game controller numbering.
constexpr const char* kPadAxes[] = {"LEFTX", "LEFTY", "RIGHTX", "RIGHTY", "LEFTTRIGGER", "RIGHTTRIGGER"};
constexpr int kFirstTrigger = 4;
constexpr const char* kPadButtons[] = {
    "A",     "B",      "X",         "Y",          "BACK",         "GUIDE",         "START",
    "LEFTSTICK", "RIGHTSTICK", "LEFTSHOULDER", "RIGHTSHOULDER", "DPUP", "DPDOWN", "DPLEFT",
    "DPRIGHT", "MISC1", "PADDLE1", "PADDLE2", "PADDLE3", "PADDLE4", "TOUCHPAD",
};
constexpr int kPadAxisCount = static_cast<int>(std::size(kPadAxes));
constexpr int kPadButtonCount = static_cast<int>(std::size(kPadButtons));

struct NamedKey {
  const char* name;
  int key;
};
constexpr NamedKey kKeyNames[] = {
    {"UP", VK_UP},           {"DOWN", VK_DOWN},       {"LEFT", VK_LEFT},         {"RIGHT", VK_RIGHT},
    {"SPACE", VK_SPACE},     {"SHIFT", VK_SHIFT},     {"LSHIFT", VK_LSHIFT},     {"RSHIFT", VK_RSHIFT},
    {"CONTROL", VK_CONTROL}, {"CTRL", VK_CONTROL},    {"LCONTROL", VK_LCONTROL}, {"RCONTROL", VK_RCONTROL},
    {"ALT", VK_MENU},        {"LALT", VK_LMENU},      {"RALT", VK_RMENU},        {"ESCAPE", VK_ESCAPE},
    {"ESC", VK_ESCAPE},      {"RETURN", VK_RETURN},   {"ENTER", VK_RETURN},      {"TAB", VK_TAB},
    {"BACKSPACE", VK_BACK},
};

std::string Upper(const std::string& word) {
  std::string out = word;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Lower(const char* word) {
  std::string out = word;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A word fit for an error message: short, printable.
std::string Quoted(const std::string& word) {
  std::string out = "'";
  for (std::size_t i = 0; i < word.size() && i < 32; ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    out += std::isprint(c) ? static_cast<char>(c) : '?';
  }
  if (word.size() > 32) out += "...";
  return out + "'";
}

// A whole-word decimal integer within [low, high].
bool ParseLong(const std::string& word, long long low, long long high, long long* value) {
  if (word.empty() || word.size() > 12) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(word.c_str(), &end, 10);
  if (errno != 0 || end != word.c_str() + word.size() || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool ParseInt(const std::string& word, long low, long high, int* value) {
  long long parsed = 0;
  if (!ParseLong(word, low, high, &parsed)) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// Notches with at most three decimals, as 120ths of a notch.
bool ParseNotches(const std::string& word, int* delta) {
  std::size_t i = 0;
  if (i < word.size() && (word[i] == '-' || word[i] == '+')) ++i;
  const std::size_t digits = i;
  while (i < word.size() && std::isdigit(static_cast<unsigned char>(word[i]))) ++i;
  if (i == digits || i - digits > 3) return false;
  if (i < word.size() && word[i] == '.') {
    const std::size_t decimals = ++i;
    while (i < word.size() && std::isdigit(static_cast<unsigned char>(word[i]))) ++i;
    if (i == decimals || i - decimals > 3) return false;
  }
  if (i != word.size()) return false;
  const double notches = std::strtod(word.c_str(), nullptr);
  const long rounded = std::lround(notches * WHEEL_DELTA);
  if (rounded < -kMaxWheelDelta || rounded > kMaxWheelDelta) return false;
  *delta = static_cast<int>(rounded);
  return true;
}

bool ParseSize(const std::string& word, int* width, int* height) {
  const std::size_t x = word.find('X');
  if (x == std::string::npos) return false;
  return ParseInt(word.substr(0, x), kMinScriptSize, kMaxScriptSize, width) &&
         ParseInt(word.substr(x + 1), kMinScriptSize, kMaxScriptSize, height);
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == '#') break;
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

int ButtonFromName(const std::string& name) {
  if (name == "LEFT") return VK_LBUTTON;
  if (name == "RIGHT") return VK_RBUTTON;
  if (name == "MIDDLE") return VK_MBUTTON;
  if (name == "X1") return VK_XBUTTON1;
  if (name == "X2") return VK_XBUTTON2;
  return -1;
}

const char* ButtonName(int virtualKey) {
  switch (virtualKey) {
    case VK_RBUTTON: return "right";
    case VK_MBUTTON: return "middle";
    case VK_XBUTTON1: return "x1";
    case VK_XBUTTON2: return "x2";
    default: return "left";
  }
}

int IndexOf(const char* const* names, int count, const std::string& name) {
  for (int i = 0; i < count; ++i) {
    if (name == names[i]) return i;
  }
  return -1;
}

// The scan code of a SCAN<n> name, or -1.
int ScancodeFromName(const std::string& name) {
  int scancode = 0;
  if (name.size() < 5 || name.compare(0, 4, "SCAN") != 0 || name[4] == '0' || name[4] == '+' || name[4] == '-') return -1;
  return ParseInt(name.substr(4), 1, kScancodeCount - 1, &scancode) ? scancode : -1;
}

// One line's event: false with *error on a fault. `words` has at least
// two words and the first is the frame.
bool ParseEvent(const std::vector<std::string>& words, ScriptEvent* event, std::string* error) {
  const std::string device = Upper(words[1]);
  const std::string action = words.size() > 2 ? Upper(words[2]) : std::string();
  auto wordCount = [&](std::size_t expected) {
    if (words.size() == expected) return true;
    *error = std::to_string(words.size()) + " words where this event takes " + std::to_string(expected);
    return false;
  };
  if (device == "KEY") {
    if (!wordCount(4)) return false;
    if (action == "DOWN") event->kind = ScriptEvent::Kind::KeyDown;
    else if (action == "UP") event->kind = ScriptEvent::Kind::KeyUp;
    else if (action == "TAP") event->kind = ScriptEvent::Kind::KeyTap;
    else {
      *error = "key action " + Quoted(words[2]) + " is not down, up or tap";
      return false;
    }
    const std::string name = Upper(words[3]);
    event->a = VirtualKeyFromName(name);
    event->b = ScancodeFromName(name);
    if (event->b < 0 && event->a > 0) event->b = platform::ScancodeFromVirtualKey(event->a);
    if (event->a < 0 || event->b < 0) {
      *error = "unknown key " + Quoted(words[3]);
      return false;
    }
    return true;
  }
  if (device == "MOUSE" && action == "MOVE") {
    if (!wordCount(5)) return false;
    event->kind = ScriptEvent::Kind::MouseMove;
    if (!ParseInt(words[3], -16384, 16383, &event->a) || !ParseInt(words[4], -16384, 16383, &event->b)) {
      *error = "mouse position " + Quoted(words[3]) + " " + Quoted(words[4]) + " is not two numbers from -16384 to 16383";
      return false;
    }
    return true;
  }
  if (device == "MOUSE") {
    if (!wordCount(4)) return false;
    if (action == "DOWN") event->kind = ScriptEvent::Kind::ButtonDown;
    else if (action == "UP") event->kind = ScriptEvent::Kind::ButtonUp;
    else {
      *error = "mouse action " + Quoted(words[2]) + " is not move, down or up";
      return false;
    }
    event->a = ButtonFromName(Upper(words[3]));
    if (event->a < 0) {
      *error = "unknown mouse button " + Quoted(words[3]) + " (left, right, middle, x1 or x2)";
      return false;
    }
    return true;
  }
  if (device == "WHEEL") {
    if (!wordCount(3)) return false;
    event->kind = ScriptEvent::Kind::Wheel;
    if (!ParseNotches(words[2], &event->a) || event->a == 0) {
      *error = "wheel notches " + Quoted(words[2]) + " is not a number from -100 to 100 other than 0";
      return false;
    }
    return true;
  }
  if (device == "PAD") {
    if (words.size() < 4) return wordCount(4);
    if (!ParseInt(words[2], 1, kMaxScriptPads, &event->a)) {
      *error = "pad " + Quoted(words[2]) + " is not a number from 1 to " + std::to_string(kMaxScriptPads);
      return false;
    }
    const std::string padAction = Upper(words[3]);
    if (padAction == "PLUG" || padAction == "UNPLUG") {
      event->kind = padAction == "PLUG" ? ScriptEvent::Kind::PadPlug : ScriptEvent::Kind::PadUnplug;
      return wordCount(4);
    }
    if (padAction == "AXIS") {
      if (!wordCount(6)) return false;
      event->kind = ScriptEvent::Kind::PadAxis;
      event->b = IndexOf(kPadAxes, kPadAxisCount, Upper(words[4]));
      if (event->b < 0) {
        *error = "unknown pad axis " + Quoted(words[4]);
        return false;
      }
      const bool trigger = event->b >= kFirstTrigger;
      if (!ParseInt(words[5], trigger ? 0 : -32768, 32767, &event->c)) {
        *error = "axis value " + Quoted(words[5]) + (trigger ? " is not from 0 to 32767" : " is not from -32768 to 32767");
        return false;
      }
      return true;
    }
    if (padAction == "DOWN" || padAction == "UP") {
      if (!wordCount(5)) return false;
      event->kind = padAction == "DOWN" ? ScriptEvent::Kind::PadDown : ScriptEvent::Kind::PadUp;
      event->b = IndexOf(kPadButtons, kPadButtonCount, Upper(words[4]));
      if (event->b < 0) {
        *error = "unknown pad button " + Quoted(words[4]);
        return false;
      }
      return true;
    }
    *error = "pad action " + Quoted(words[3]) + " is not plug, unplug, axis, down or up";
    return false;
  }
  if (device == "FOCUS") {
    if (!wordCount(3)) return false;
    if (action == "LOST") event->kind = ScriptEvent::Kind::FocusLost;
    else if (action == "GAINED") event->kind = ScriptEvent::Kind::FocusGained;
    else {
      *error = "focus " + Quoted(words[2]) + " is not lost or gained";
      return false;
    }
    return true;
  }
  if (device == "CLOSE") {
    event->kind = ScriptEvent::Kind::Close;
    return wordCount(2);
  }
  *error = "unknown event " + Quoted(words[1]) + " (key, mouse, wheel, pad, focus, close or end)";
  return false;
}

// A header line (a word other than a frame number first). False with
// *error for an unknown word or a bad value.
bool ParseHeader(const std::vector<std::string>& words, int line, ScriptHeader* header, std::string* error) {
  const std::string word = Upper(words[0]);
  int* lineOf = word == "VERSION" ? &header->versionLine
                : word == "SEED"  ? &header->seedLine
                : word == "MODE"  ? &header->modeLine
                : word == "SIZE"  ? &header->sizeLine
                : word == "FOCUS" ? &header->focusLine
                                  : nullptr;
  if (lineOf == nullptr) {
    *error = Quoted(words[0]) + " is neither a frame number from 1 to " + std::to_string(kMaxScriptFrame) +
             " nor a header line (version, seed, mode, size, focus)";
    return false;
  }
  if (*lineOf != 0) {
    *error = "a second " + Lower(word.c_str()) + " line (the first is line " + std::to_string(*lineOf) + ")";
    return false;
  }
  if (words.size() != 2) {
    *error = Lower(word.c_str()) + " takes one value";
    return false;
  }
  const std::string value = Upper(words[1]);
  bool valid = true;
  if (word == "VERSION") {
    valid = words[1].size() <= 32 && std::all_of(words[1].begin(), words[1].end(), [](char c) {
              return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == '~';
            });
    header->version = words[1];
  } else if (word == "SEED") {
    long long seed = 0;
    valid = ParseLong(words[1], 0, 4294967295LL, &seed);
    header->seed = static_cast<unsigned>(seed);
  } else if (word == "MODE") {
    header->mode = Lower(words[1].c_str());
    valid = header->mode == "best" || header->mode == "standard" || header->mode == "fixed";
  } else if (word == "SIZE") {
    valid = ParseSize(value, &header->width, &header->height);
  } else {
    valid = value == "YES" || value == "NO";
    header->focused = value == "YES";
  }
  if (!valid) {
    static const char* const kExpected[] = {" (letters, digits and . - + ~)", " (a number from 0 to 4294967295)",
                                            " (best, standard or fixed)", " (WxH, each from 64 to 8192)", " (yes or no)"};
    const int which = word == "VERSION" ? 0 : word == "SEED" ? 1 : word == "MODE" ? 2 : word == "SIZE" ? 3 : 4;
    *error = "bad " + Lower(word.c_str()) + " " + Quoted(words[1]) + kExpected[which];
    return false;
  }
  *lineOf = line;
  return true;
}

// Pads are plugged in before they are used, and not twice. Events run in
// frame order, and within a frame in the order of the text.
bool CheckPads(const std::vector<ScriptEvent>& events, std::string* error) {
  std::vector<const ScriptEvent*> ordered;
  for (const ScriptEvent& e : events) {
    if (e.kind >= ScriptEvent::Kind::PadPlug && e.kind <= ScriptEvent::Kind::PadUp) ordered.push_back(&e);
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const ScriptEvent* x, const ScriptEvent* y) { return x->frame < y->frame; });
  bool plugged[kMaxScriptPads + 1] = {};
  for (const ScriptEvent* e : ordered) {
    bool& in = plugged[e->a];
    const std::string pad = "pad " + std::to_string(e->a);
    if (e->kind == ScriptEvent::Kind::PadPlug && in) {
      *error = "line " + std::to_string(e->line) + ": " + pad + " is already plugged in";
      return false;
    }
    if (e->kind != ScriptEvent::Kind::PadPlug && !in) {
      *error = "line " + std::to_string(e->line) + ": " + pad + " is not plugged in at frame " + std::to_string(e->frame);
      return false;
    }
    in = e->kind != ScriptEvent::Kind::PadUnplug;
  }
  return true;
}

}  // namespace

int VirtualKeyFromName(const std::string& name) {
  for (const NamedKey& named : kKeyNames) {
    if (name == named.name) return named.key;
  }
  if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
    return name[0];  // letters and digits are their own virtual-key codes
  }
  int number = 0;
  if (name.size() >= 2 && name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1])) &&
      ParseInt(name.substr(1), 1, 12, &number) && name[1] != '0') {
    return VK_F1 + number - 1;
  }
  const int scancode = ScancodeFromName(name);
  if (scancode > 0) return platform::VirtualKeyFromScancode(scancode);
  return -1;
}

std::string KeyNameFromScancode(int scancode) {
  const int vk = platform::VirtualKeyFromScancode(scancode);
  if (vk != 0 && platform::ScancodeFromVirtualKey(vk) == scancode) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F12) return "F" + std::to_string(vk - VK_F1 + 1);
    for (const NamedKey& named : kKeyNames) {
      if (named.key == vk) return named.name;
    }
  }
  return "SCAN" + std::to_string(scancode);
}

const char* PadAxisName(int axis) { return axis >= 0 && axis < kPadAxisCount ? kPadAxes[axis] : "?"; }
const char* PadButtonName(int button) { return button >= 0 && button < kPadButtonCount ? kPadButtons[button] : "?"; }

bool ParseInputScript(const std::string& text, InputScript* script, std::string* error) {
  *script = InputScript{};
  ScriptHeader& header = script->header;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++lineNumber;
    script->lineCount = lineNumber;
    const std::string prefix = "line " + std::to_string(lineNumber) + ": ";
    if (end - start > kMaxScriptLineLength) {
      *error = prefix + "longer than " + std::to_string(kMaxScriptLineLength) + " characters";
      return false;
    }
    const std::vector<std::string> words = SplitWords(text.substr(start, end - start));
    start = end + 1;
    if (words.empty()) continue;
    std::string fault;
    if (header.endLine != 0) {
      *error = prefix + "nothing may follow the end line (line " + std::to_string(header.endLine) + ")";
      return false;
    }
    const bool numbered = std::isdigit(static_cast<unsigned char>(words[0][0])) || words[0][0] == '-' || words[0][0] == '+';
    if (!numbered) {
      if (!script->events.empty()) {
        *error = prefix + "header lines come before the events";
        return false;
      }
      if (!ParseHeader(words, lineNumber, &header, &fault)) {
        *error = prefix + fault;
        return false;
      }
      continue;
    }
    ScriptEvent event;
    event.line = lineNumber;
    if (!ParseInt(words[0], 1, kMaxScriptFrame, &event.frame)) {
      *error = prefix + "frame " + Quoted(words[0]) + " is not a number from 1 to " + std::to_string(kMaxScriptFrame);
      return false;
    }
    if (words.size() < 2) {
      *error = prefix + "an event (key, mouse, wheel, pad, focus, close or end) must follow the frame";
      return false;
    }
    if (Upper(words[1]) == "END") {
      if (words.size() != 2) {
        *error = prefix + "end takes nothing after it";
        return false;
      }
      for (const ScriptEvent& e : script->events) {
        if (e.frame > event.frame || (e.kind == ScriptEvent::Kind::KeyTap && e.frame == event.frame)) {
          *error = "line " + std::to_string(e.line) + ": frame " + std::to_string(e.frame) + " is past the end at frame " +
                   std::to_string(event.frame);
          return false;
        }
      }
      header.endFrame = event.frame;
      header.endLine = lineNumber;
      continue;
    }
    if (!ParseEvent(words, &event, &fault)) {
      *error = prefix + fault;
      return false;
    }
    if (event.kind == ScriptEvent::Kind::KeyTap && event.frame == kMaxScriptFrame) {
      *error = prefix + "a tap needs the frame after it";
      return false;
    }
    script->events.push_back(event);
  }
  return CheckPads(script->events, error);
}

bool LoadInputScript(const char* path, InputScript* script, std::string* error) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    *error = std::string("cannot open ") + path;
    return false;
  }
  std::string text;
  char buffer[65536];
  std::size_t got = 0;
  bool tooLarge = false;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
    text.append(buffer, got);
    if (static_cast<long>(text.size()) > kMaxScriptFileBytes) {
      tooLarge = true;
      break;
    }
  }
  const bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (tooLarge || readFailed) {
    *error = std::string(path) + (tooLarge ? ": larger than " + std::to_string(kMaxScriptFileBytes >> 20) + " MiB"
                                           : std::string(": read error"));
    return false;
  }
  if (!ParseInputScript(text, script, error)) {
    *error = std::string(path) + ": " + *error;
    return false;
  }
  return true;
}

bool CheckRecording(const InputScript& script, const std::string& version, std::string* error) {
  const ScriptHeader& h = script.header;
  const struct {
    int line;
    const char* what;
  } required[] = {{h.versionLine, "version"}, {h.seedLine, "seed"}, {h.modeLine, "mode"},
                  {h.sizeLine, "size"},       {h.focusLine, "focus"}};
  for (const auto& r : required) {
    if (r.line == 0) {
      *error = std::string("no ") + r.what + " line: not a recording (it starts with version, seed, mode, size and focus)";
      return false;
    }
  }
  if (h.version != version) {
    *error = "line " + std::to_string(h.versionLine) + ": recorded by version " + h.version + ", this is version " +
             version + "; the game would not replay the same";
    return false;
  }
  if (h.endLine == 0) {
    *error = "line " + std::to_string(script.lineCount + 1) + ": the end line is missing (the recording is cut short)";
    return false;
  }
  return true;
}

bool CheckPlainScript(const InputScript& script, std::string* error) {
  const ScriptHeader& h = script.header;
  if (!h.Any()) return true;
  const int line = std::max({h.versionLine, h.seedLine, h.modeLine, h.sizeLine, h.focusLine, h.endLine});
  *error = "line " + std::to_string(line) + ": a header or end line belongs to a recording (replay it instead)";
  return false;
}

std::size_t FormatScriptEvent(const ScriptEvent& e, char* text, std::size_t size) {
  if (text == nullptr || size == 0) return 0;
  const int f = e.frame;
  int length = 0;
  switch (e.kind) {
    case ScriptEvent::Kind::KeyDown:
    case ScriptEvent::Kind::KeyUp:
    case ScriptEvent::Kind::KeyTap: {
      const char* action = e.kind == ScriptEvent::Kind::KeyDown ? "down" : e.kind == ScriptEvent::Kind::KeyUp ? "up" : "tap";
      length = std::snprintf(text, size, "%d key %s %s", f, action, KeyNameFromScancode(e.b).c_str());
      break;
    }
    case ScriptEvent::Kind::ButtonDown:
    case ScriptEvent::Kind::ButtonUp:
      length = std::snprintf(text, size, "%d mouse %s %s", f, e.kind == ScriptEvent::Kind::ButtonDown ? "down" : "up",
                             ButtonName(e.a));
      break;
    case ScriptEvent::Kind::MouseMove: length = std::snprintf(text, size, "%d mouse move %d %d", f, e.a, e.b); break;
    case ScriptEvent::Kind::Wheel: {
      // Whole notches as integers; three decimals always round back to the
      // same 120ths.
      const int whole = e.a / WHEEL_DELTA;
      const int fraction = std::abs(e.a % WHEEL_DELTA);
      const int rest = (fraction * 1000 + WHEEL_DELTA / 2) / WHEEL_DELTA;
      if (rest == 0) {
        length = std::snprintf(text, size, "%d wheel %d", f, whole);
      } else {
        length = std::snprintf(text, size, "%d wheel %s%d.%03d", f, e.a < 0 ? "-" : "", std::abs(whole), rest);
      }
      break;
    }
    case ScriptEvent::Kind::PadPlug: length = std::snprintf(text, size, "%d pad %d plug", f, e.a); break;
    case ScriptEvent::Kind::PadUnplug: length = std::snprintf(text, size, "%d pad %d unplug", f, e.a); break;
    case ScriptEvent::Kind::PadAxis:
      length = std::snprintf(text, size, "%d pad %d axis %s %d", f, e.a, Lower(PadAxisName(e.b)).c_str(), e.c);
      break;
    case ScriptEvent::Kind::PadDown:
    case ScriptEvent::Kind::PadUp:
      length = std::snprintf(text, size, "%d pad %d %s %s", f, e.a, e.kind == ScriptEvent::Kind::PadDown ? "down" : "up",
                             Lower(PadButtonName(e.b)).c_str());
      break;
    case ScriptEvent::Kind::FocusLost: length = std::snprintf(text, size, "%d focus lost", f); break;
    case ScriptEvent::Kind::FocusGained: length = std::snprintf(text, size, "%d focus gained", f); break;
    case ScriptEvent::Kind::Close: length = std::snprintf(text, size, "%d close", f); break;
  }
  return length < 0 ? 0 : std::min(static_cast<std::size_t>(length), size - 1);
}

void ScheduleInputScript(const std::vector<ScriptEvent>& events, host::ScriptedInput* input) {
  for (const ScriptEvent& e : events) {
    const int frame = e.frame - 1;
    switch (e.kind) {
      case ScriptEvent::Kind::KeyDown: input->Key(frame, e.b, true); break;
      case ScriptEvent::Kind::KeyUp: input->Key(frame, e.b, false); break;
      case ScriptEvent::Kind::KeyTap:
        input->Key(frame, e.b, true);
        input->Key(frame + 1, e.b, false);
        break;
      case ScriptEvent::Kind::ButtonDown: input->ButtonDown(frame, e.a); break;
      case ScriptEvent::Kind::ButtonUp: input->ButtonUp(frame, e.a); break;
      case ScriptEvent::Kind::MouseMove: input->MouseMove(frame, e.a, e.b); break;
      case ScriptEvent::Kind::Wheel: input->Wheel(frame, e.a); break;
      case ScriptEvent::Kind::PadPlug: input->PadPlug(frame, e.a); break;
      case ScriptEvent::Kind::PadUnplug: input->PadUnplug(frame, e.a); break;
      case ScriptEvent::Kind::PadAxis: input->PadAxis(frame, e.a, e.b, e.c); break;
      case ScriptEvent::Kind::PadDown: input->PadButton(frame, e.a, e.b, true); break;
      case ScriptEvent::Kind::PadUp: input->PadButton(frame, e.a, e.b, false); break;
      case ScriptEvent::Kind::FocusLost: input->FocusLost(frame); break;
      case ScriptEvent::Kind::FocusGained: input->FocusGained(frame); break;
      case ScriptEvent::Kind::Close: input->CloseWindow(frame); break;
    }
  }
}
