#pragma once
// The command word of a character: what its controller (the player's keys
// or the opponents' random control) asks it to do this step.

#include <cstdint>

namespace CommandBits {

constexpr std::uint32_t kForward = 0x1;
constexpr std::uint32_t kBackward = 0x2;
constexpr std::uint32_t kJump = 0x4;
constexpr std::uint32_t kCrouch = 0x8;
constexpr std::uint32_t kSprint = 0x10;  // only with kForward
constexpr std::uint32_t kKick = 0x100;
constexpr std::uint32_t kAttackV = 0x200;
constexpr std::uint32_t kAttackH = 0x400;
constexpr std::uint32_t kThrow = 0x800;
constexpr std::uint32_t kSelfDamage = 0x8000;

// The single-frame actions an opponent's random control sets afresh each step.
constexpr std::uint32_t kSingleActions = kJump | kKick | kAttackV | kAttackH | kThrow;

}  // namespace CommandBits
