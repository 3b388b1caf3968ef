#pragma once
// Runs an independent piece of work per image row on a few threads. Rows
// never depend on each other, so the result is the same for any thread
// count.

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace assetgen::arena {

template <class Body>
void ForEachRow(int rows, int threads, const Body& body) {
  const auto run = [&](int start, int step) {
    for (int y = start; y < rows; y += step) body(y);
  };
  const int count = std::max(1, threads);
  std::vector<std::thread> workers;
  for (int t = 1; t < count; ++t) {
    try {
      workers.emplace_back(run, t, count);
    } catch (const std::system_error&) {
      run(t, count);  // no thread to be had: do that share here
    }
  }
  run(0, count);
  for (std::thread& worker : workers) worker.join();
}

}  // namespace assetgen::arena
