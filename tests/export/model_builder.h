#pragma once
// Builds small libraries for the export and SiFi reader tests through the library's own
// operations, the way an importer would.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "library/library.h"

namespace tolvane::test_support {

class ModelBuilder {
 public:
  explicit ModelBuilder(std::string_view path = "C:\\Sounds\\Test Bank.sf2")
      : source_(&CreateSource(library_, path)) {}

  Library& library() { return library_; }
  Source& source() { return *source_; }

  // `values` little-endian 16-bit values that differ from stream to stream. The bytes live as long
  // as the builder, and each is a sample key of its own (StreamNumber).
  std::span<const std::byte> Stream(std::size_t values) {
    std::vector<std::byte>& bytes = streams_.emplace_back(values * 2);
    const auto seed = static_cast<std::uint16_t>(streams_.size() * 977);
    for (std::size_t i = 0; i < values; ++i)
      StoreU16(&bytes[2 * i], static_cast<std::uint16_t>(seed + i * 40503u));
    return bytes;
  }

  // The number of a stream Stream() made, from 1; 0 for bytes it did not make. Samples of one
  // stream and name are one sample.
  std::uint64_t StreamNumber(std::span<const std::byte> bytes) const {
    for (std::size_t i = 0; i < streams_.size(); ++i)
      if (streams_[i].data() == bytes.data()) return i + 1;
    return 0;
  }

  std::unique_ptr<Instrument> Begin(std::string_view name, std::uint32_t soundId = 0) {
    return CreateInstrument(*source_, name, name,
                            soundId != 0 ? soundId : SoundIdHash(UpperCaseAscii(name)));
  }

  // A sample for `instrument` over its own stream (or `stream` when given).
  Sample* NewSample(Instrument& instrument, std::string_view name, std::uint32_t frames,
                    std::uint32_t channels = 1, std::span<const std::byte> stream = {}) {
    SampleRequest request;
    request.name = name;
    request.sampleRate = 22050 + frames;
    request.channels = channels;
    const std::span<const std::byte> bytes =
        stream.empty() ? Stream(std::size_t{frames} * channels) : stream;
    request.key.first = StreamNumber(bytes);
    request.frames = frames;
    request.loopStart = frames / 4;
    request.loopEnd = frames / 2;
    request.rootKey = 60;
    request.pitchCorrection = -7;
    return AddSample(instrument, request,
                     SampleData::FromLittleEndian(bytes, std::size_t{frames} * channels));
  }

  // A default zone over `sample` starting at the given key and velocity, filed with AddZone.
  Zone& AddTestZone(Instrument& instrument, Sample* sample, std::uint8_t keyLow,
                    std::uint8_t velLow = 0) {
    Zone zone;
    InitZone(zone);
    zone.mapping.keyLow = keyLow;
    zone.mapping.velLow = velLow;
    SetZoneSample(zone, sample);
    AddZone(instrument, zone);
    for (Zone& z : instrument.zones)
      if (z.mapping.keyLow == keyLow && z.mapping.velLow == velLow && z.sample == sample) return z;
    return instrument.zones.back();
  }

  // Averages (when the instrument has zones) and hands it to the library.
  Instrument& Finish(std::unique_ptr<Instrument> instrument) {
    if (!instrument->zones.empty()) AverageInstrument(*instrument);
    return AddInstrument(library_, std::move(instrument));
  }

  // One instrument with one zone over one new mono sample of `frames` frames.
  Instrument& Simple(std::string_view name, std::uint32_t frames = 10) {
    auto instrument = Begin(name);
    Sample* sample = NewSample(*instrument, std::string(name) + " sample", frames);
    AddTestZone(*instrument, sample, 0);
    return Finish(std::move(instrument));
  }

 private:
  Library library_;
  Source* source_;
  std::deque<std::vector<std::byte>> streams_;
};

}  // namespace tolvane::test_support
