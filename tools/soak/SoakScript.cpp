#include "SoakScript.h"

#include "platform/win32/WinUser.h"

namespace {

void Hold(host::ScriptedInput& input, int key, int from, int to) {
  input.KeyDown(from, key);
  input.KeyUp(to, key);
}

}  // namespace

SoakScript::SoakScript() {
  // The player's round: sprint ahead, turn, the three strikes and a throw
  // (a bomb), a jump, back off, crouch, charge again, and hand the keys to
  // the next fighter. Every key is up again before the round ends.
  Hold(round_, VK_UP, 0, 240);
  Hold(round_, VK_LSHIFT, 0, 180);
  Hold(round_, VK_LEFT, 250, 310);
  round_.KeyTap(320, 'Z');
  round_.KeyTap(380, 'X');
  round_.KeyTap(440, 'C');
  round_.KeyTap(500, 'V');
  round_.KeyTap(560, VK_SPACE);
  Hold(round_, VK_DOWN, 600, 660);
  Hold(round_, VK_RIGHT, 680, 720);
  Hold(round_, VK_LCONTROL, 740, 800);
  Hold(round_, VK_UP, 820, 1000);
  round_.KeyTap(900, 'Z');
  round_.KeyTap(960, 'X');
  round_.KeyTap(1040, 'V');
  round_.KeyTap(1100, VK_F1);

  // The cycle's first minute: a fighter every 5 s, a prop every second.
  const int props[] = {'Q', 'W', 'E', 'R'};
  for (int frame = 30, i = 0; frame < 60 * 60; frame += 60, ++i) {
    cycle_.KeyTap(frame, props[i % 4]);
    if (i % 5 == 2) cycle_.KeyTap(frame + 15, 'T');
  }
}

void SoakScript::Deliver(int frame) {
  round_.Deliver(frame % kRoundFrames);
  cycle_.Deliver(frame % kCycleFrames);
}
