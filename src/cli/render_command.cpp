#include "cli/render_command.h"

#include <array>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "audition/sample_peak.h"
#include "audition/wave_encoder.h"
#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/folders.h"
#include "base/paths.h"
#include "export/sound_analysis.h"

namespace tolvane::cli {
namespace {

constexpr const char* kProgram = "tolvane-convert: ";

std::string Dbfs(std::int32_t peak) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dBFS", PeakDbfs(peak));
  return text;
}

// The runs of set entries: "42-46", "35-38, 42, 44-46".
std::string Runs(const std::array<bool, 128>& set) {
  std::string text;
  for (std::size_t first = 0; first < set.size(); ++first) {
    if (!set[first]) continue;
    std::size_t last = first;
    while (last + 1 < set.size() && set[last + 1]) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(first);
    if (last > first) text += '-' + std::to_string(last);
    first = last;
  }
  return text;
}

// Why a note played nothing, when its key or velocity lies outside every zone; empty when the
// zones hold it (its sample is silent, or its level too low).
std::string WhySilent(const PlayableInstrument& playable, const RenderNote& note) {
  if (playable.zones.empty()) return "the instrument has no zone that plays a sample";
  std::array<bool, 128> keys{};
  std::array<bool, 128> velocities{};  // of the zones that hold the key
  for (const PlayableZone& zone : playable.zones) {
    for (int key = zone.keyLow; key <= zone.keyHigh && key < 128; ++key)
      keys[static_cast<std::size_t>(key)] = true;
    if (note.key < zone.keyLow || note.key > zone.keyHigh) continue;
    for (int velocity = zone.velLow; velocity <= zone.velHigh && velocity < 128; ++velocity)
      velocities[static_cast<std::size_t>(velocity)] = true;
  }
  if (!keys[note.key]) return "the instrument plays keys " + Runs(keys);
  if (!velocities[note.velocity])
    return "key " + std::to_string(note.key) + " plays velocities " + Runs(velocities);
  return {};
}

std::string NoteLine(const PlayableInstrument& playable, const RenderNote& note, std::int32_t peak,
                     std::size_t clipped) {
  std::string line =
      "note " + std::to_string(note.key) + " velocity " + std::to_string(note.velocity) + ": ";
  if (peak == 0) {
    const std::string why = WhySilent(playable, note);
    return line + (why.empty() ? "silent" : "silent: " + why);
  }
  line += "peak " + Dbfs(peak);
  if (clipped > 0)
    line += ", clipped in " + std::to_string(clipped) + (clipped == 1 ? " frame" : " frames");
  return line;
}

// Writes the file, or says why not: the folder step, or the system's reason for the call that
// failed.
std::string WriteRendered(const std::string& target, std::span<const std::byte> bytes) {
  const std::filesystem::path path = PathFromUtf8(target);
  if (const auto failure = CreateFolders(path.parent_path())) return FolderFailureText(*failure);
  AtomicFileWriter file(path);
  if (!file.Open()) return "cannot create the file: " + file.error().message();
  if (!file.Write(bytes) || !file.Commit())
    return "writing the file failed: " + file.error().message();
  return {};
}

}  // namespace

int RenderInstrument(const Instrument& instrument, const Options& options, std::ostream& out,
                     std::ostream& err) {
  RenderSettings settings;
  for (const auto& [key, velocity] : options.notes)
    settings.notes.push_back({static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)});
  settings.holdSeconds = options.holdSeconds;
  settings.rate = options.rate;
  // The longest the frames can be, checked before they are made: a WAV file counts its bytes
  // in 32 bits.
  const double longest = static_cast<double>(settings.notes.size()) *
                         (settings.holdSeconds + settings.maxReleaseSeconds + 1) * settings.rate *
                         4;
  if (longest > 4.0e9) {
    err << kProgram << "cannot render " << options.target
        << ": the notes would not fit into a WAV file (fewer notes, a shorter --hold or a lower "
           "--rate)\n";
    return 1;
  }
  // Played as an export with the same options would write it.
  std::vector<SoundNote> notes;
  const std::shared_ptr<const PlayableInstrument> playable =
      MakePlayableAsWritten(instrument, options.exportOptions.sounds, nullptr, &notes);
  for (const SoundNote& note : notes)
    err << kProgram << "note: " << Windows1252ToUtf8(SoundNoteText(note)) << '\n';
  const RenderedNotes rendered = RenderNotes(playable, settings);
  const auto bytes = EncodeWave16(rendered.frames, 2, settings.rate);
  const std::string failure = bytes ? WriteRendered(options.target, *bytes)
                                    : std::string("the notes do not fit into a WAV file");
  if (!failure.empty()) {
    err << kProgram << "cannot write " << options.target << ": " << failure << '\n';
    return 1;
  }
  out << Windows1252ToUtf8(instrument.name) << '\n';
  if (instrument.differencesOnly) out << kDifferencesOnlyNote << '\n';
  for (std::size_t i = 0; i < settings.notes.size(); ++i)
    out << NoteLine(*playable, settings.notes[i], rendered.peaks[i], rendered.clippedFrames[i])
        << '\n';
  out << "wrote " << options.target << '\n';
  return 0;
}

void ReportQuietInstruments(std::span<const Instrument* const> instruments, std::ostream& err) {
  for (const Instrument* instrument : instruments) {
    if (instrument->group == nullptr) continue;  // no samples: not exported at all
    // Most instruments are loud within their first values; only quiet ones are read whole.
    const std::int32_t peak = InstrumentSamplePeak(*instrument, kLeastAudiblePeak);
    if (peak >= kLeastAudiblePeak) continue;
    err << kProgram << Windows1252ToUtf8(instrument->name) << ": ";
    if (peak == 0)
      err << "silent (every sample value is 0)\n";
    else
      err << "nearly silent (peak " << Dbfs(peak) << ", below -60 dBFS)\n";
  }
}

}  // namespace tolvane::cli
