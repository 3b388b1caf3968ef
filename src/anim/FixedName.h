#pragma once
// The 32-byte name fields of the .bone and .pose files: a NUL-terminated
// string, compared exactly up to its NUL.

#include <cstddef>
#include <cstring>

constexpr std::size_t kFixedNameSize = 32;
using FixedName = char[kFixedNameSize];

// True when the field holds its NUL, so that string functions stay inside it.
inline bool IsTerminated(const FixedName& name) {
  return std::memchr(name, '\0', kFixedNameSize) != nullptr;
}
