#pragma once
// Work of many independent items spread over every core of the machine.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace tolvane {

// Calls `item(i)` once for each i in [0, count), on as many threads as the machine has cores
// (never more than there are items), the calling thread among them; returns when all are done.
// Items are handed out in order, one at a time, so a long one holds up only its own thread.
// `item` returns false to stop the work: no item not yet begun is begun, on any thread. When a
// thread cannot be started, those that did (at least the calling one) do its share.
// REQUIRES: `item` may run on several threads at once.
template <class Item>
void ForEachOnAllCores(std::size_t count, const Item& item) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopped{false};
  const auto work = [&] {
    for (std::size_t i = next++; i < count && !stopped; i = next++)
      if (!item(i)) stopped = true;
  };
  const std::size_t threads =
      std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::jthread> helpers;
  for (std::size_t t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
}  // the helpers join here

}  // namespace tolvane
