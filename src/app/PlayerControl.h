#pragma once
// The player's controls: the command word from the keys, the smoothed turn,
// and switching the player between characters with F1 and F2.

#include <cstdint>

// Key states the command word is built from (held or pressed this frame in
// the input system).
struct PlayerKeys {
  bool upHeld = false;
  bool downHeld = false;
  bool shiftHeld = false;    // left or right
  bool controlHeld = false;  // left or right
  bool spacePressed = false;
  bool zPressed = false;
  bool xPressed = false;
  bool cPressed = false;
  bool vPressed = false;
  bool f5Pressed = false;
};

std::uint32_t PlayerCommandWord(const PlayerKeys& keys);

// Radians per step the player turns toward: 3 degrees left or right, Right
// winning when both are held. Without either key, a pad's stick (-1 full
// left to +1 full right, its dead zone already taken out) turns at its
// share of the same 3 degrees.
float PlayerTurnTarget(bool leftHeld, bool rightHeld, float stick = 0.0f);
// One stepped frame of turn smoothing: 0.2 of the way to the target.
float SmoothPlayerTurn(float turn, float target);

// The player's index after this frame's selection keys, for a list of
// `count` characters. -1 means no player. F1 goes forward, F2 back (F1 wins
// when both are pressed); with no player the first character becomes it.
int SelectPlayer(int playerIndex, int count, bool f1Pressed, bool f2Pressed);
