#pragma once
// Scripted input for the capture tool: a text file of key and mouse events
// at frame numbers, turned into host::ScriptedInput events.
//
// One event per line; blank lines and everything after '#' are ignored.
// Words are case-insensitive. Frame N is the N-th frame drawn (the one a
// capture writes as PREFIX_N.png, counting from 1); an event at frame N is
// in that frame's keyboard and mouse state.
//
//   <frame> key down|up|tap <KEY>     tap: down at <frame>, up at <frame>+1
//   <frame> mouse move <X> <Y>        client coordinates, 0..16383
//   <frame> mouse down|up left|right|middle
//   <frame> wheel <N>                 N notches (-100..100), positive away from the user
//
// KEY: UP DOWN LEFT RIGHT SPACE SHIFT LSHIFT RSHIFT CONTROL (CTRL) LCONTROL
// RCONTROL ALT ESCAPE (ESC) RETURN (ENTER) TAB BACKSPACE F1..F12 A..Z 0..9.

#include <string>
#include <vector>

namespace host {
class ScriptedInput;
}

struct ScriptEvent {
  enum class Kind { KeyDown, KeyUp, KeyTap, ButtonDown, ButtonUp, MouseMove, Wheel };
  int frame = 0;
  Kind kind = Kind::KeyDown;
  // Virtual-key code (keys and buttons), X (move) or notches (wheel).
  int a = 0;
  // Y (move).
  int b = 0;
};

// Limits that keep a hostile file from costing more than a glance.
constexpr int kMaxScriptFrame = 10000000;
constexpr std::size_t kMaxScriptLineLength = 1024;
constexpr long kMaxScriptFileBytes = 4L << 20;

// The Windows virtual-key code of a key name, or -1 for an unknown name.
int VirtualKeyFromName(const std::string& name);

// Parses script text. On a malformed line returns false with *error set to
// "line N: what is wrong"; *events then holds the lines before it.
bool ParseInputScript(const std::string& text, std::vector<ScriptEvent>* events, std::string* error);

// Reads and parses a script file (at most kMaxScriptFileBytes).
bool LoadInputScript(const char* path, std::vector<ScriptEvent>* events, std::string* error);

// Schedules the events. ScriptedInput counts frames from 0 (the frame whose
// events are delivered before the loop), so script frame N goes to N - 1.
void ScheduleInputScript(const std::vector<ScriptEvent>& events, host::ScriptedInput* input);
