#include "base/all_cores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace tolvane {
namespace {

TEST(ForEachOnAllCores, CallsEveryItemOnceUnlessStopped) {
  for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{1000}}) {
    std::vector<std::atomic<int>> calls(count);
    ForEachOnAllCores(count, [&](std::size_t i) { return ++calls[i] > 0; });
    EXPECT_TRUE(std::all_of(calls.begin(), calls.end(), [](const auto& c) { return c == 1; }))
        << count;
  }
  // Each thread takes at most one item before it sees the stop.
  std::atomic<std::size_t> begun{0};
  ForEachOnAllCores(1000, [&](std::size_t /*i*/) { return ++begun == 0; });
  EXPECT_GE(begun, 1u);
  EXPECT_LE(begun, std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace
}  // namespace tolvane
