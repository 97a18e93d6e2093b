#include "import/sample_files/sample_file_import.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "import/file_instrument.h"
#include "import/sample_files/decoded_sound.h"
#include "import/sample_files/read_sound.h"
#include "import/sample_files/sndfile_decode.h"
#include "import/wave/wave_import.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
void AddSoundInstrument(Library& library, Source& source, std::int64_t modifiedTime,
                        DecodedSound& sound) {
  std::unique_ptr<Instrument> instrument = CreateFileInstrument(source, modifiedTime);

  const SoundMarkers& markers = sound.markers;
  SampleRequest request;
  request.name = source.baseName;
  request.sampleRate = sound.sampleRate;
  request.frames = sound.frames;
  request.loopStart = markers.loop ? markers.loop->start : 0;
  request.loopEnd = markers.loop ? markers.loop->end : sound.frames;
  request.rootKey = markers.rootKey.value_or(kDefaultRootKey);
  request.rootKeyGiven = markers.rootKey.has_value();
  request.pitchCorrection = markers.pitchCorrection;
  const bool loop = markers.loop.has_value();

  if (sound.channels <= 2) {
    request.channels = sound.channels;
    AddWaveZone(*instrument, AddSample(*instrument, request, SampleData(std::move(sound.values))),
                sound.channels == 2 ? ZoneStereo : 0, loop);
  } else {
    // One mono sample per channel, named like a WAV file's: Pad1, Pad2 ...
    const std::string baseName(request.name);
    request.channels = 1;
    for (std::size_t c = 0; c < sound.channels; ++c) {
      std::string sampleName = baseName;
      const auto digit = static_cast<char>(static_cast<unsigned char>('1' + c));
      if (digit != '\0') sampleName.push_back(digit);
      request.name = sampleName;
      // A channel whose name wrapped onto an earlier one's plays that one's sample.
      std::vector<std::int16_t> channel;
      if (FindSample(*instrument, request) == nullptr) {
        channel.resize(sound.frames);
        for (std::size_t f = 0; f < sound.frames; ++f)
          channel[f] = sound.values[f * sound.channels + c];
      }
      AddWaveZone(*instrument, AddSample(*instrument, request, SampleData(std::move(channel))), 0,
                  loop);
    }
  }
  if (!instrument->zones.empty()) AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
}

ImportOutcome ImportSampleFile(Library& library, Source& source, const ImportView& view) {
  const auto kind = RecogniseSampleFile(view.bytes);
  if (!kind) return ImportOutcome::NotRecognised();
  SoundReading reading = DecodeSampleFile(view.bytes, *kind);
  if (!reading.sound) return reading.refusal;
  reading.sound->markers = ReadSampleFileMarkers(view.bytes);
  ImportOutcome outcome = SoundOutcome(*reading.sound);
  AddSoundInstrument(library, source, view.modifiedTime, *reading.sound);
  return outcome;
}

}  // namespace tolvane
