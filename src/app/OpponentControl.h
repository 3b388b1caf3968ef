#pragma once
// The opponents' random control: each stepped frame while "NPC Action" is
// on, a random walk of the turn rate and occasional commands.

#include <cstdint>

// Changes one opponent's command word and turn rate for this step. Every
// decision draws its own crt::rand(), eleven per call.
void ApplyOpponentRandomAction(std::uint32_t* command, float* turn);
