#include "InputScript.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/host/ScriptedInput.h"
#include "platform/win32/WinUser.h"

namespace {

std::string Upper(const std::string& word) {
  std::string out = word;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
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
bool ParseInt(const std::string& word, long low, long high, int* value) {
  if (word.empty() || word.size() > 12) return false;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(word.c_str(), &end, 10);
  if (errno != 0 || end != word.c_str() + word.size() || parsed < low || parsed > high) return false;
  *value = static_cast<int>(parsed);
  return true;
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
  return -1;
}

// Parses one line's words into *event; false with *error on a fault.
bool ParseWords(const std::vector<std::string>& words, ScriptEvent* event, std::string* error) {
  if (!ParseInt(words[0], 1, kMaxScriptFrame, &event->frame)) {
    *error = "frame " + Quoted(words[0]) + " is not a number from 1 to " + std::to_string(kMaxScriptFrame);
    return false;
  }
  if (words.size() < 2) {
    *error = "an event (key, mouse or wheel) must follow the frame";
    return false;
  }
  const std::string device = Upper(words[1]);
  const std::string action = words.size() > 2 ? Upper(words[2]) : std::string();
  std::size_t expected = 0;
  if (device == "KEY") {
    expected = 4;
    if (words.size() == expected) {
      if (action == "DOWN") event->kind = ScriptEvent::Kind::KeyDown;
      else if (action == "UP") event->kind = ScriptEvent::Kind::KeyUp;
      else if (action == "TAP") event->kind = ScriptEvent::Kind::KeyTap;
      else {
        *error = "key action " + Quoted(words[2]) + " is not down, up or tap";
        return false;
      }
      event->a = VirtualKeyFromName(Upper(words[3]));
      if (event->a < 0) {
        *error = "unknown key " + Quoted(words[3]);
        return false;
      }
      return true;
    }
  } else if (device == "MOUSE" && action == "MOVE") {
    expected = 5;
    if (words.size() == expected) {
      event->kind = ScriptEvent::Kind::MouseMove;
      if (!ParseInt(words[3], 0, 16383, &event->a) || !ParseInt(words[4], 0, 16383, &event->b)) {
        *error = "mouse position " + Quoted(words[3]) + " " + Quoted(words[4]) + " is not two numbers from 0 to 16383";
        return false;
      }
      return true;
    }
  } else if (device == "MOUSE") {
    expected = 4;
    if (words.size() == expected) {
      if (action == "DOWN") event->kind = ScriptEvent::Kind::ButtonDown;
      else if (action == "UP") event->kind = ScriptEvent::Kind::ButtonUp;
      else {
        *error = "mouse action " + Quoted(words[2]) + " is not move, down or up";
        return false;
      }
      event->a = ButtonFromName(Upper(words[3]));
      if (event->a < 0) {
        *error = "unknown mouse button " + Quoted(words[3]) + " (left, right or middle)";
        return false;
      }
      return true;
    }
  } else if (device == "WHEEL") {
    expected = 3;
    if (words.size() == expected) {
      event->kind = ScriptEvent::Kind::Wheel;
      if (!ParseInt(words[2], -100, 100, &event->a)) {
        *error = "wheel notches " + Quoted(words[2]) + " is not a number from -100 to 100";
        return false;
      }
      return true;
    }
  } else {
    *error = "unknown event " + Quoted(words[1]) + " (key, mouse or wheel)";
    return false;
  }
  *error = std::to_string(words.size()) + " words where this event takes " + std::to_string(expected);
  return false;
}

}  // namespace

int VirtualKeyFromName(const std::string& name) {
  struct Named {
    const char* name;
    int key;
  };
  static const Named kNames[] = {
      {"UP", VK_UP},           {"DOWN", VK_DOWN},         {"LEFT", VK_LEFT},           {"RIGHT", VK_RIGHT},
      {"SPACE", VK_SPACE},     {"SHIFT", VK_SHIFT},       {"LSHIFT", VK_LSHIFT},       {"RSHIFT", VK_RSHIFT},
      {"CONTROL", VK_CONTROL}, {"CTRL", VK_CONTROL},      {"LCONTROL", VK_LCONTROL},   {"RCONTROL", VK_RCONTROL},
      {"ALT", VK_MENU},        {"ESCAPE", VK_ESCAPE},     {"ESC", VK_ESCAPE},          {"RETURN", VK_RETURN},
      {"ENTER", VK_RETURN},    {"TAB", VK_TAB},           {"BACKSPACE", VK_BACK},
  };
  for (const Named& named : kNames) {
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
  return -1;
}

bool ParseInputScript(const std::string& text, std::vector<ScriptEvent>* events, std::string* error) {
  events->clear();
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++lineNumber;
    const std::string prefix = "line " + std::to_string(lineNumber) + ": ";
    if (end - start > kMaxScriptLineLength) {
      *error = prefix + "longer than " + std::to_string(kMaxScriptLineLength) + " characters";
      return false;
    }
    const std::vector<std::string> words = SplitWords(text.substr(start, end - start));
    start = end + 1;
    if (words.empty()) continue;
    ScriptEvent event;
    std::string fault;
    if (!ParseWords(words, &event, &fault)) {
      *error = prefix + fault;
      return false;
    }
    if (event.kind == ScriptEvent::Kind::KeyTap && event.frame == kMaxScriptFrame) {
      *error = prefix + "a tap needs the frame after it";
      return false;
    }
    events->push_back(event);
  }
  return true;
}

bool LoadInputScript(const char* path, std::vector<ScriptEvent>* events, std::string* error) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    *error = std::string("cannot open ") + path;
    return false;
  }
  std::string text;
  char buffer[4096];
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
    *error = std::string(path) + (tooLarge ? ": larger than 4 MiB" : ": read error");
    return false;
  }
  if (!ParseInputScript(text, events, error)) {
    *error = std::string(path) + ": " + *error;
    return false;
  }
  return true;
}

void ScheduleInputScript(const std::vector<ScriptEvent>& events, host::ScriptedInput* input) {
  for (const ScriptEvent& e : events) {
    const int frame = e.frame - 1;
    switch (e.kind) {
      case ScriptEvent::Kind::KeyDown: input->KeyDown(frame, e.a); break;
      case ScriptEvent::Kind::KeyUp: input->KeyUp(frame, e.a); break;
      case ScriptEvent::Kind::KeyTap: input->KeyTap(frame, e.a); break;
      case ScriptEvent::Kind::ButtonDown: input->ButtonDown(frame, e.a); break;
      case ScriptEvent::Kind::ButtonUp: input->ButtonUp(frame, e.a); break;
      case ScriptEvent::Kind::MouseMove: input->MouseMove(frame, e.a, e.b); break;
      case ScriptEvent::Kind::Wheel: input->Wheel(frame, e.a * WHEEL_DELTA); break;
    }
  }
}
