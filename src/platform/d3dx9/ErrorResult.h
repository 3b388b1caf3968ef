#pragma once
// The failure path shared by the loaders: store the message (when the caller
// asked for one) and return false.

#include <string>
#include <utility>

namespace d3dx {

inline bool Fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

}  // namespace d3dx
