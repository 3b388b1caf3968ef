#pragma once
// Locale-free number formatting for the generator's text files: the same
// digits on every machine, whatever the process locale says.

#include <cstdint>
#include <string>

namespace assetgen {

// The value rounded to `decimals` places, without trailing zeros or a
// trailing point ("1.25", "-0.5", "3", "0"); never "-0". Values beyond
// +-1e12 are clamped (nothing the generator writes comes near that).
std::string FormatFixed(double value, int decimals = 6);

// Appends a decimal integer.
void AppendInt(std::string* out, std::int64_t value);

}  // namespace assetgen
