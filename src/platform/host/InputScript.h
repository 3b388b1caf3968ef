#pragma once
// Input scripts: a text file of input events at frame numbers, turned into
// host::ScriptedInput events. The capture tool plays hand-written scripts;
// a recorded session is the same format with a header.
//
// One item per line; blank lines and everything after '#' are ignored.
// Words are case-insensitive. Frame N is the N-th frame drawn (counting
// from 1); an event at frame N is in that frame's keyboard, mouse and pad
// state.
//
//   <frame> key down|up|tap <KEY>     tap: down at <frame>, up at <frame>+1
//   <frame> mouse move <X> <Y>        client coordinates, -16384..16383
//   <frame> mouse down|up left|right|middle|x1|x2
//   <frame> wheel <N>                 notches, -100..100 (fractions to 1/120),
//                                     positive away from the user
//   <frame> pad <P> plug|unplug       game pad P (1..8) plugged in or out
//   <frame> pad <P> axis <AXIS> <V>   sticks -32768..32767, triggers 0..32767
//   <frame> pad <P> down|up <BUTTON>
//   <frame> focus lost|gained         the window loses or gets the keyboard focus
//   <frame> close                     the window's close button
//
// KEY: UP DOWN LEFT RIGHT SPACE SHIFT LSHIFT RSHIFT CONTROL (CTRL) LCONTROL
// RCONTROL ALT LALT RALT ESCAPE (ESC) RETURN (ENTER) TAB BACKSPACE F1..F12
// A..Z 0..9, or SCAN<n> for any key by its USB scan code n (1..511).
// AXIS: LEFTX LEFTY RIGHTX RIGHTY LEFTTRIGGER RIGHTTRIGGER.
// BUTTON: A B X Y BACK GUIDE START LEFTSTICK RIGHTSTICK LEFTSHOULDER
// RIGHTSHOULDER DPUP DPDOWN DPLEFT DPRIGHT MISC1 PADDLE1..PADDLE4 TOUCHPAD.
//
// A recording starts with its header and ends with its end line:
//   version <V>      the program that recorded it
//   seed <N>         the random seed of the session
//   mode best|standard|fixed
//   size <W>x<H>
//   focus yes|no     whether the window had the focus when the game started
//   <frame> end      the last frame of the session

#include <cstddef>
#include <string>
#include <vector>

namespace host {
class ScriptedInput;
}

struct ScriptEvent {
  enum class Kind {
    KeyDown, KeyUp, KeyTap, ButtonDown, ButtonUp, MouseMove, Wheel,
    PadPlug, PadUnplug, PadAxis, PadDown, PadUp, FocusLost, FocusGained, Close,
  };
  int frame = 0;
  Kind kind = Kind::KeyDown;
  // Keys: virtual-key code (0 for a key without one); buttons: virtual-key
  // code; move: X; wheel: 120ths of a notch; pads: the pad number.
  int a = 0;
  // Keys: scan code; move: Y; pads: the axis or button number.
  int b = 0;
  // Pad axes: the value.
  int c = 0;
  int line = 0;  // where it stands in the text
};

// The header of a recording. A line number of 0 means the line is missing.
struct ScriptHeader {
  std::string version;
  int versionLine = 0;
  unsigned seed = 0;
  int seedLine = 0;
  std::string mode;  // best, standard or fixed
  int modeLine = 0;
  int width = 0;
  int height = 0;
  int sizeLine = 0;
  bool focused = false;
  int focusLine = 0;
  int endFrame = 0;
  int endLine = 0;
  bool Any() const { return versionLine + seedLine + modeLine + sizeLine + focusLine + endLine != 0; }
};

struct InputScript {
  ScriptHeader header;
  std::vector<ScriptEvent> events;
  int lineCount = 0;
};

// Limits that keep a hostile file from costing more than a glance.
constexpr int kMaxScriptFrame = 10000000;
constexpr std::size_t kMaxScriptLineLength = 1024;
constexpr long kMaxScriptFileBytes = 32L << 20;
constexpr int kMaxScriptPads = 8;
constexpr int kMinScriptSize = 64;
constexpr int kMaxScriptSize = 8192;

// The Windows virtual-key code of a key name, or -1 for an unknown name
// (names of SCAN<n> keys included: their code, or 0 when they have none).
int VirtualKeyFromName(const std::string& name);
// The name a script gives the key with this scan code.
std::string KeyNameFromScancode(int scancode);
const char* PadAxisName(int axis);
const char* PadButtonName(int button);

// Parses script text. On a malformed line returns false with *error set to
// "line N: what is wrong"; *script then holds the lines before it. Besides
// each line's own form: header lines come before the events, each once; the
// end line comes last and no event lies past its frame; a pad is plugged
// in before it is used or unplugged.
bool ParseInputScript(const std::string& text, InputScript* script, std::string* error);

// Reads and parses a script file (at most kMaxScriptFileBytes); errors
// start with the path.
bool LoadInputScript(const char* path, InputScript* script, std::string* error);

// A script for replaying a session: every header line present and the
// version the given one. False with "line N: ..." (or what is missing).
bool CheckRecording(const InputScript& script, const std::string& version, std::string* error);
// A plain script of events: no header lines.
bool CheckPlainScript(const InputScript& script, std::string* error);

// One event as its script line (without the newline) in `text`, cut to
// `size` bytes with the terminator. Returns the line's length.
std::size_t FormatScriptEvent(const ScriptEvent& event, char* text, std::size_t size);

// Schedules the events. ScriptedInput counts frames from 0 (the frame whose
// events are delivered before the loop), so script frame N goes to N - 1.
void ScheduleInputScript(const std::vector<ScriptEvent>& events, host::ScriptedInput* input);
