// Every import of instruments made of sample files, dropped as the window drops it: each sample
// read is told as a step, and a cancel while they are read ends the import Cancelled before the
// others are read, with no instrument made.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "base/paths.h"
#include "base/work_progress.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "import/sample_pool.h"
#include "library/library.h"
#include "zip_builder.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// Enough files that every core has several left when the first one is read; no more than the
// keys a drum kit plays.
std::size_t FileCount() {
  return std::min(4 * std::max(1u, std::thread::hardware_concurrency()) + 8, 90u);
}

std::string SampleName(std::size_t i) {
  return "s" + std::to_string(100 + i) + ".wav";
}

// `head`, `each` once for every sample with its name for each '@', then `tail`.
std::string Text(std::string head, std::string_view each, std::string_view tail) {
  for (std::size_t i = 0; i < FileCount(); ++i)
    for (const char c : each) head += c == '@' ? SampleName(i) : std::string(1, c);
  return head.append(tail);
}

const std::string kSfz = Text("", "<region> sample=Samples/@\n", "");
const std::string kPreset =
    Text("<DecentSampler><groups><group>", "<sample path=\"Samples/@\"/>", "</group></groups>");
const std::string kMultisample =
    Text("<multisample>", "<sample file=\"Samples/@\"/>", "</multisample>");
const std::string kKit = Text("<drumkit_info><instrumentList>",
                              "<instrument><filename>Samples/@</filename></instrument>",
                              "</instrumentList></drumkit_info>");
const std::string kNone;

// One kind of drop: the samples (in "Samples/") and the file `text` named `file` (none when
// empty), in the folder `under` or, `zipped`, in the archive of that name.
struct Kind {
  const char* name;
  const char* under;
  bool zipped;
  const char* file;
  const std::string& text;
  const char* dropped;
};

const Kind kKinds[] = {
    {"SFZ", "", false, "Piano.sfz", kSfz, "Piano.sfz"},
    {"Decent Sampler preset", "", false, "Piano.dspreset", kPreset, "Piano.dspreset"},
    {"Decent Sampler bundle", "Piano.dsbundle/", false, "Soft.dspreset", kPreset, "Piano.dsbundle"},
    {"Decent Sampler library", "Piano.dslibrary", true, "Piano.dspreset", kPreset,
     "Piano.dslibrary"},
    {"Bitwig archive", "Organ.multisample", true, "multisample.xml", kMultisample,
     "Organ.multisample"},
    {"Bitwig folder", "Organ/", false, "multisample.xml", kMultisample, "Organ"},
    {"Bitwig mapping file", "", false, "multisample.xml", kMultisample, "multisample.xml"},
    {"Hydrogen kit folder", "Kit/", false, "drumkit.xml", kKit, "Kit"},
    {"folder of samples", "Pads/", false, "", kNone, "Pads"},
    {"library folder", "Library/", false, "Piano.sfz", kSfz, "Library"},
};

// Writes the drop of `kind` into `folder`.
void MakeDrop(const Kind& kind, const fs::path& folder) {
  std::vector<testing::ZipItem> items;
  for (std::size_t i = 0; i < FileCount(); ++i)
    items.push_back({"Samples/" + SampleName(i), testing::TestWave(2000), false});
  if (!kind.text.empty()) {
    Bytes text;
    for (const char c : kind.text) text.push_back(static_cast<std::byte>(c));
    items.push_back({kind.file, text, true});
  }
  if (kind.zipped) {
    testing::WriteFile(folder / kind.under, testing::MakeZip(items));
    return;
  }
  for (const testing::ZipItem& item : items) {
    const fs::path path = folder / kind.under / item.name;
    fs::create_directories(path.parent_path());
    testing::WriteFile(path, item.data);
  }
}

// Hears the samples read; once `cancelAfter` were told, the work is to stop.
class SampleSteps : public WorkProgress {
 public:
  explicit SampleSteps(std::size_t cancelAfter) : cancelAfter_(cancelAfter) {}
  void Step(std::string_view what, std::size_t done, std::size_t total) override {
    if (what != kReadingSamplesStep) return;
    const std::lock_guard lock(mutex_);
    ++steps;
    most = std::max(most, done);
    told = total;
    if (steps >= cancelAfter_) cancelled_ = true;
  }
  bool Cancelled() const override { return cancelled_; }

  std::size_t steps = 0;
  std::size_t most = 0;  // the most files told read
  std::size_t told = 0;  // the files told to be read

 private:
  std::mutex mutex_;
  std::size_t cancelAfter_;
  std::atomic<bool> cancelled_{false};
};

TEST(ImportCancel, EveryImportOfSampleFilesTellsItsSamplesAndStopsWhenCancelled) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const testing::TestFolder folder;
    MakeDrop(kind, folder.path());
    const fs::path dropped = folder / kind.dropped;
    SoundDatabase database;

    Library whole;
    SampleSteps counted(SIZE_MAX);
    const ImportOutcome imported = ImportFile(whole, database, PathToUtf8(dropped), &counted);
    EXPECT_TRUE(imported.imported()) << OutcomeReason(imported);
    EXPECT_FALSE(whole.instruments.empty());
    EXPECT_EQ(counted.told, FileCount());
    EXPECT_EQ(counted.steps, FileCount());
    EXPECT_EQ(counted.most, FileCount());

    Library stopped;
    SampleSteps cancelling(1);
    const ImportOutcome cancelled = ImportFile(stopped, database, PathToUtf8(dropped), &cancelling);
    EXPECT_EQ(cancelled.status, ImportStatus::Cancelled) << OutcomeReason(cancelled);
    EXPECT_TRUE(stopped.instruments.empty());
    // Each core ends the file it has begun and begins no other.
    EXPECT_GE(cancelling.steps, 1u);
    EXPECT_LE(cancelling.steps, 2 * std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_LT(cancelling.most, FileCount());
  }
}

}  // namespace
}  // namespace tolvane
