#include "import/sample_files/read_sound.h"

#include <string>

#include "import/sample_files/sndfile_decode.h"
#include "import/sample_files/sound_markers.h"
#include "import/wave/wave_decode.h"
#include "import/wave/wave_records.h"

namespace tolvane {
namespace {

SoundReading ReadWave(const WaveRecords& records) {
  const WaveFormat& format = records.format;
  const std::size_t frameSize = format.bytesPerValue() * format.channels;
  DecodedSound sound;
  sound.sampleRate = format.sampleRate;
  sound.channels = format.channels;
  sound.frames = static_cast<std::uint32_t>(records.data.size() / frameSize);
  sound.claimedFrames = records.claimedDataSize / frameSize;
  sound.values = DecodeWaveValues(records.data, format, sound.frames);
  sound.markers = WaveSamplerMarkers(records.sampler);
  return {std::move(sound), {}};
}

}  // namespace

ImportOutcome SoundOutcome(const DecodedSound& sound) {
  if (sound.claimedFrames <= sound.frames) return ImportOutcome::Imported();
  return ImportOutcome::Damaged("sound data cut short: " + std::to_string(sound.frames) + " of " +
                                std::to_string(sound.claimedFrames) + " frames");
}

SoundMarkers ReadSampleFileMarkers(std::span<const std::byte> file) {
  switch (RecogniseSampleFile(file).value_or(SampleFileKind::Ogg)) {
    case SampleFileKind::Aiff:
      return ReadAiffMarkers(file);
    case SampleFileKind::Flac:
      return ReadFlacMarkers(file);
    case SampleFileKind::Ogg:
    case SampleFileKind::Caf:
      break;
  }
  return {};  // Ogg Vorbis files keep none; a CAF file's markers are not read
}

SoundReading ReadSound(std::span<const std::byte> file) {
  WaveReading wave = ReadWaveRecords(file);
  if (wave.records) return ReadWave(*wave.records);
  if (wave.refusal.recognised()) return {std::nullopt, std::move(wave.refusal)};
  const auto kind = RecogniseSampleFile(file);
  if (!kind) return {std::nullopt, std::move(wave.refusal)};
  SoundReading reading = DecodeSampleFile(file, *kind);
  if (reading.sound) reading.sound->markers = ReadSampleFileMarkers(file);
  return reading;
}

}  // namespace tolvane
