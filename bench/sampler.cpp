// The sampler's cost: 64 looped voices of a piano, rendered offline, as a fraction of one core.
//
//   bench_sampler BANK RUNS
//
// Imports BANK, takes its "Yamaha Grand Piano" (else the first instrument whose imported name
// holds "Piano"), starts notes until 64 voices sound and keeps them at 64 (a voice that ends is
// replaced by a new note), and renders 10 s at 44100 Hz in blocks of 256 frames, RUNS times after
// one warm-up run. Prints the median processor time against the rendered time; exits 1 when it
// is above 5 % of one core.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "audition/playable_instrument.h"
#include "audition/sampler.h"
#include "base/text_order.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/library.h"

namespace {

using namespace tolvane;

constexpr double kTarget = 0.05;
constexpr double kRate = 44100;
constexpr std::size_t kBlock = 256;
constexpr double kSeconds = 10;

const Instrument* FindPiano(const Library& library) {
  for (const auto& instrument : library.instruments)
    if (CompareCaseInsensitive(instrument->importedName, "Yamaha Grand Piano") == 0)
      return instrument.get();
  for (const auto& instrument : library.instruments)
    if (instrument->importedName.find("Piano") != std::string::npos) return instrument.get();
  return nullptr;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Run {
  double seconds = 0;
  double meanVoices = 0;
};

Run RenderOnce(const std::shared_ptr<const PlayableInstrument>& piano) {
  Sampler sampler(kRate);
  sampler.SetInstrument(piano);
  std::vector<float> block(2 * kBlock);
  std::uint8_t key = 21;
  auto fill = [&] {
    // Notes across the keyboard until every voice sounds; each stays held.
    for (int tries = 0; tries < 128 && sampler.ActiveVoices() < Sampler::kMaxVoices; ++tries) {
      sampler.Post({0x90, key, 100});
      key = static_cast<std::uint8_t>(key == 108 ? 21 : key + 1);
      sampler.Render(std::span(block).first(2));
    }
  };
  fill();
  const auto blocks = static_cast<std::size_t>(kSeconds * kRate / kBlock);
  double voices = 0;
  double spent = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    if (sampler.ActiveVoices() < Sampler::kMaxVoices) fill();
    voices += static_cast<double>(sampler.ActiveVoices());
    const double start = CpuSeconds();
    sampler.Render(block);
    spent += CpuSeconds() - start;
  }
  return {spent, voices / static_cast<double>(blocks)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_sampler BANK RUNS\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[2]));
  Library library;
  SoundDatabase database;
  ImportFile(library, database, argv[1]);
  const Instrument* instrument = FindPiano(library);
  if (instrument == nullptr) {
    std::fprintf(stderr, "bench_sampler: %s holds no piano\n", argv[1]);
    return 2;
  }
  const auto piano = MakePlayable(*instrument);
  RenderOnce(piano);  // warm-up
  std::vector<double> seconds;
  double voices = 0;
  for (int i = 0; i < runs; ++i) {
    const Run run = RenderOnce(piano);
    seconds.push_back(run.seconds);
    voices += run.meanVoices;
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  const double share = median / kSeconds;
  const auto looped = std::count_if(piano->zones.begin(), piano->zones.end(),
                                    [](const PlayableZone& z) { return z.loop; });
  std::printf(
      "sampler: %s (%zu zones, %td looped), %.1f voices on average, %.0f s at 44100 Hz "
      "rendered in %.3f s of processor time (median of %d)\n",
      instrument->importedName.c_str(), piano->zones.size(), looped, voices / runs, kSeconds,
      median, runs);
  std::printf("sampler share of one core  %5.2f %%  (target <= %.0f %%) %s\n", 100 * share,
              100 * kTarget, share <= kTarget ? "ok" : "MISSED");
  return share <= kTarget ? 0 : 1;
}
