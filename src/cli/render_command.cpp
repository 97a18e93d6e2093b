#include "cli/render_command.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "audition/sample_peak.h"
#include "audition/wave_encoder.h"
#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/paths.h"

namespace tolvane::cli {
namespace {

constexpr const char* kProgram = "tolvane-convert: ";

std::string Dbfs(std::int32_t peak) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dBFS", PeakDbfs(peak));
  return text;
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
  const RenderedNotes rendered = RenderNotes(MakePlayable(instrument), settings);
  const auto bytes = EncodeWave16(rendered.frames, 2, settings.rate);
  if (!bytes || !WriteFileAtomically(PathFromUtf8(options.target), *bytes)) {
    err << kProgram << "cannot write " << options.target << '\n';
    return 1;
  }
  out << Windows1252ToUtf8(instrument.name) << '\n';
  if (instrument.differencesOnly) out << kDifferencesOnlyNote << '\n';
  for (std::size_t i = 0; i < settings.notes.size(); ++i) {
    const RenderNote& note = settings.notes[i];
    out << "note " << int{note.key} << " velocity " << int{note.velocity} << ": peak "
        << (rendered.peaks[i] == 0 ? std::string("silent") : Dbfs(rendered.peaks[i])) << '\n';
  }
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
