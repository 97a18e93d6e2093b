// The sample pool: each file read once, every read told as a step, and why a file cannot be
// played. (Cancels while it reads: import_cancel_test.cpp.)

#include "import/sample_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "base/work_progress.h"
#include "import/instrument_files.h"

namespace tolvane {
namespace {

// Mono sounds of 10 frames for every path; the paths read and the steps told are kept.
class Counting : public InstrumentFiles, public WorkProgress {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  SoundReading ReadSample(const std::string& path) const override {
    const std::lock_guard lock(mutex);
    read.push_back(path);
    DecodedSound sound;
    sound.channels = 1;
    sound.frames = 10;
    sound.values.assign(10, 3);
    return {std::move(sound), {}};
  }
  void Step(std::string_view what, std::size_t done, std::size_t total) override {
    const std::lock_guard lock(mutex);
    steps.push_back(std::string(what) + " " + std::to_string(done) + "/" + std::to_string(total));
  }
  mutable std::mutex mutex;
  mutable std::vector<std::string> read;
  std::vector<std::string> steps;
};

TEST(SamplePool, ReadsEachPathOnceAndTellsEveryRead) {
  SamplePool pool;
  EXPECT_EQ(pool.Add("a.wav"), 0u);
  EXPECT_EQ(pool.Add("b.wav"), 1u);
  EXPECT_EQ(pool.Add("a.wav"), 0u);
  EXPECT_EQ(pool.Add("A.wav"), 2u);  // paths are told apart as written
  ASSERT_EQ(pool.size(), 3u);

  Counting counting;
  EXPECT_TRUE(pool.DecodeAll(counting, &counting));
  std::sort(counting.read.begin(), counting.read.end());
  EXPECT_EQ(counting.read, (std::vector<std::string>{"A.wav", "a.wav", "b.wav"}));
  std::sort(counting.steps.begin(), counting.steps.end());
  EXPECT_EQ(counting.steps, (std::vector<std::string>{"reading samples 1/3", "reading samples 2/3",
                                                      "reading samples 3/3"}));
  for (std::size_t i = 0; i < pool.size(); ++i) {
    EXPECT_EQ(pool[i].data.size(), 10u) << i;
    EXPECT_TRUE(pool[i].reading.sound->values.empty()) << i;  // moved, not copied
  }
}

TEST(SamplePool, WhyAFileCannotBePlayed) {
  const auto sound = [](std::uint32_t channels) {
    DecodedSound made;
    made.channels = channels;
    return SoundReading{std::move(made), {}};
  };
  const struct {
    SoundReading reading;
    std::optional<LeftOutKind> kind;
    std::string detail;
  } cases[] = {
      {sound(2), std::nullopt, ""},
      {sound(3), LeftOutKind::SampleManyChannels, ""},
      {{std::nullopt, ImportOutcome::CannotOpen({}), true}, LeftOutKind::SampleNotFound, ""},
      {{std::nullopt, ImportOutcome::CannotOpen({}), false}, LeftOutKind::SampleCannotOpen, ""},
      {{std::nullopt, ImportOutcome::NotRecognised()}, LeftOutKind::SampleNotSound, ""},
      {{std::nullopt, ImportOutcome::Damaged("cut")}, LeftOutKind::SampleUnreadable, "cut"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const std::optional<UnplayableSample> why = WhyUnplayable({"x.wav", c.reading, {}});
    ASSERT_EQ(why.has_value(), c.kind.has_value());
    if (!why) continue;
    EXPECT_EQ(why->kind, *c.kind);
    EXPECT_EQ(why->detail, c.detail);
  }
}

}  // namespace
}  // namespace tolvane
