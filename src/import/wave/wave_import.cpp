#include "import/wave/wave_import.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "import/file_instrument.h"
#include "import/wave/wave_decode.h"
#include "import/wave/wave_records.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

// What the instrument's samples share, from the frame count and the "smpl" chunk.
struct LoopValues {
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint32_t rootKey = kDefaultRootKey;
  std::int32_t pitchCorrection = 0;
  bool loop = false;
};

LoopValues LoopValuesOf(const std::optional<WaveSampler>& sampler, std::uint32_t frames) {
  LoopValues values;
  values.loopEnd = frames;
  // A sampler without loops is ignored whole, its unity note included.
  if (!sampler || sampler->loopCount == 0) return values;
  values.loopStart = sampler->loopStart;
  values.loopEnd = sampler->loopEnd;
  values.rootKey = sampler->unityNote;
  values.pitchCorrection = sampler->PitchCorrectionCents();
  values.loop = true;
  return values;
}

// Channel `channel` of `frames` interleaved frames converted to 16 bits.
SampleData DecodeChannel(std::span<const std::byte> data, const WaveFormat& format,
                         std::size_t channel, std::size_t frames) {
  const WaveDecoder decode = DecoderFor(format);
  const std::size_t width = format.bytesPerValue();
  const std::size_t frameSize = width * format.channels;
  const std::byte* sample = data.data() + channel * width;
  std::vector<std::int16_t> out(frames);
  for (std::size_t f = 0; f < frames; ++f, sample += frameSize) out[f] = decode(sample);
  return SampleData(std::move(out));
}

// One sample of one or two channels, named like the file. 16-bit PCM is what the library
// keeps, copied straight from the file; other encodings are converted first.
void AddWholeSample(Instrument& instrument, const WaveRecords& records, SampleRequest request,
                    bool loop) {
  const WaveFormat& format = records.format;
  request.channels = format.channels;
  const std::size_t values = std::size_t{request.frames} * format.channels;
  SampleData data = format.encoding == WaveEncoding::Pcm
                        ? SampleData::FromLittleEndian(records.data, values)
                        : SampleData(DecodeWaveValues(records.data, format, request.frames));
  const std::uint8_t flags = format.channels == 2 ? ZoneStereo : 0;
  AddWaveZone(instrument, AddSample(instrument, request, std::move(data)), flags, loop);
}

// One mono sample per channel, named after the file and the channel.
void AddChannelSamples(Instrument& instrument, const WaveRecords& records, SampleRequest request,
                       bool loop) {
  const std::string baseName(request.name);
  request.channels = 1;
  for (std::size_t channel = 0; channel < records.format.channels; ++channel) {
    // Named like "%s%c" would: the channel's digit wraps as a byte, and a zero byte ends it.
    std::string sampleName = baseName;
    const auto digit = static_cast<char>(static_cast<unsigned char>('1' + channel));
    if (digit != '\0') sampleName.push_back(digit);
    request.name = sampleName;
    // A channel whose name wrapped onto an earlier one's plays that one's sample.
    SampleData data = FindSample(instrument, request) == nullptr
                          ? DecodeChannel(records.data, records.format, channel, request.frames)
                          : SampleData();
    AddWaveZone(instrument, AddSample(instrument, request, std::move(data)), 0, loop);
  }
}

}  // namespace

void AddWaveZone(Instrument& instrument, Sample* sample, std::uint8_t flags, bool loop) {
  if (sample == nullptr) return;  // AddSample refuses nothing the importer asks for
  Zone zone;
  InitZone(zone);
  SetZoneSample(zone, sample);
  zone.mapping.flags |= flags;
  ApplyGenerator(zone, kGenSampleModes, loop ? 1 : 0);
  AddZone(instrument, zone);
}

ImportOutcome ImportWave(Library& library, Source& source, const ImportView& view) {
  const WaveReading reading = ReadWaveRecords(view.bytes);
  if (!reading.records) return reading.refusal;
  const WaveRecords& records = *reading.records;
  const WaveFormat& format = records.format;

  std::unique_ptr<Instrument> instrument = CreateFileInstrument(source, view.modifiedTime);

  const std::size_t frameSize = format.bytesPerValue() * format.channels;
  // The data chunk is under 4 GiB, so the frame count fits 32 bits.
  const auto frames = static_cast<std::uint32_t>(records.data.size() / frameSize);
  const LoopValues loop = LoopValuesOf(records.sampler, frames);

  SampleRequest request;
  request.name = source.baseName;
  request.sampleRate = format.sampleRate;
  request.bitsPerSample = 16;
  request.frames = frames;
  request.loopStart = loop.loopStart;
  request.loopEnd = loop.loopEnd;
  request.rootKey = loop.rootKey;
  request.pitchCorrection = loop.pitchCorrection;
  request.rootKeyGiven = loop.loop;  // a sampler chunk without loops is ignored whole

  if (format.channels <= 2 && (format.encoding != WaveEncoding::Pcm || format.bitsPerSample == 16))
    AddWholeSample(*instrument, records, request, loop.loop);
  else
    AddChannelSamples(*instrument, records, request, loop.loop);

  if (!instrument->zones.empty()) AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  const std::uint64_t claimedFrames = records.claimedDataSize / frameSize;
  if (claimedFrames > frames) {
    return ImportOutcome::Damaged("data chunk cut short: " + std::to_string(frames) + " of " +
                                  std::to_string(claimedFrames) + " frames");
  }
  return ImportOutcome::Imported();
}

}  // namespace tolvane
