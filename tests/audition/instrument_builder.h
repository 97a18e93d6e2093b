#pragma once
// Instruments over sample data the tests make, built through the library's own operations the
// way an importer builds them (zones averaged at the end), then made playable.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "audition/playable_instrument.h"
#include "base/bytes.h"
#include "library/library.h"

namespace tolvane::test_support {

struct TestSample {
  std::vector<std::int16_t> values;  // interleaved
  std::uint32_t channels = 1;
  std::uint32_t rate = 44100;
  std::uint32_t rootKey = 60;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
};

inline std::vector<std::int16_t> Constant(std::size_t frames, std::int16_t value) {
  return std::vector<std::int16_t>(frames, value);
}

// `frames` frames of a sine of `period` frames at `amplitude`.
inline std::vector<std::int16_t> Sine(std::size_t frames, double period, double amplitude) {
  std::vector<std::int16_t> values(frames);
  for (std::size_t i = 0; i < frames; ++i)
    values[i] = static_cast<std::int16_t>(
        std::lround(amplitude * std::sin(2 * std::numbers::pi * static_cast<double>(i) / period)));
  return values;
}

// Values that differ from frame to frame and from sample to sample.
inline std::vector<std::int16_t> Noise(std::size_t values, std::uint32_t seed = 1) {
  std::vector<std::int16_t> out(values);
  for (auto& v : out) {
    seed = seed * 1664525U + 1013904223U;
    v = static_cast<std::int16_t>(seed >> 16);
  }
  return out;
}

class InstrumentBuilder {
 public:
  InstrumentBuilder() : source_(&CreateSource(library_, "test.sf2")) {
    instrument_ = CreateInstrument(*source_, "Test", "Test", 1);
  }
  InstrumentBuilder(const InstrumentBuilder&) = delete;
  InstrumentBuilder& operator=(const InstrumentBuilder&) = delete;
  ~InstrumentBuilder() { DestroyInstrument(*instrument_); }

  Sample* AddSample(const TestSample& sample) {
    std::vector<std::byte>& bytes = streams_.emplace_back(sample.values.size() * 2);
    for (std::size_t i = 0; i < sample.values.size(); ++i)
      StoreU16(&bytes[2 * i], static_cast<std::uint16_t>(sample.values[i]));
    SampleRequest request;
    const std::string& name = names_.emplace_back("s" + std::to_string(streams_.size()));
    request.name = name;
    request.sampleRate = sample.rate;
    request.channels = sample.channels;
    request.key.first = streams_.size();
    request.frames = static_cast<std::uint32_t>(sample.values.size() / sample.channels);
    request.loopStart = sample.loopStart;
    request.loopEnd = sample.loopEnd;
    request.rootKey = sample.rootKey;
    return tolvane::AddSample(*instrument_, request,
                              SampleData::FromLittleEndian(bytes, sample.values.size()));
  }

  // A default zone over `sample`, changed by `edit` before it is filed.
  template <typename Edit>
  void AddZone(Sample* sample, Edit edit) {
    Zone zone;
    InitZone(zone);
    SetZoneSample(zone, sample);
    edit(zone);
    tolvane::AddZone(*instrument_, zone);
  }
  void AddZone(Sample* sample) {
    AddZone(sample, [](Zone&) {});
  }

  const Instrument& instrument() const { return *instrument_; }

  std::shared_ptr<const PlayableInstrument> Playable() {
    AverageInstrument(*instrument_);
    return MakePlayable(*instrument_);
  }
  // As an instrument read from a SiFi file: its zones kept as they are, as differences from a
  // block it does not hold.
  std::shared_ptr<const PlayableInstrument> PlayableFromDifferences() {
    instrument_->differencesOnly = true;
    return MakePlayable(*instrument_);
  }

 private:
  Library library_;
  Source* source_;
  std::unique_ptr<Instrument> instrument_;
  std::deque<std::vector<std::byte>> streams_;
  std::deque<std::string> names_;
};

}  // namespace tolvane::test_support
