#include "import/outcome_text.h"

#include "import/sfz/sfz_parser.h"

namespace tolvane {
namespace {

std::string Counted(std::size_t count, const char* noun) {
  return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

const char* PartNoun(PartKind part) {
  switch (part) {
    case PartKind::Zone:
      return "zone";
    case PartKind::Region:
      return "region";
    case PartKind::Instrument:
      return "instrument";
    case PartKind::Group:
      return "group";
    case PartKind::Include:
      return "#include";
    case PartKind::File:
      return "file";
    case PartKind::Articulation:
      return "articulation";
    case PartKind::Layer:
      return "layer";
  }
  return "part";
}

std::string Quoted(const std::string& text) {
  return '\'' + text + '\'';
}

}  // namespace

std::string LeftOutText(const LeftOut& leftOut) {
  const std::string sample = "sample " + Quoted(leftOut.subject);
  switch (leftOut.kind) {
    case LeftOutKind::SampleNotFound:
      return sample + " not found";
    case LeftOutKind::SampleCannotOpen:
      return sample + " cannot be opened";
    case LeftOutKind::SampleNotSound:
      return sample + " is not a sound file that can be read";
    case LeftOutKind::SampleUnreadable:
      return sample + " cannot be read: " + leftOut.detail;
    case LeftOutKind::SampleManyChannels:
      return sample + " has more than two channels";
    case LeftOutKind::SampleNotKept:
      return sample + " cannot be kept";
    case LeftOutKind::SampleOutside:
      return sample + " lies outside the instrument's folder or archive";
    case LeftOutKind::EntryRefused:
      return "archive entry " + Quoted(leftOut.subject) + " refused: it has " + leftOut.detail;
    case LeftOutKind::GeneratorsOutside:
      return "generators outside the 'igen' chunk";
    case LeftOutKind::BagOutside:
      return "bag outside the 'ibag' chunk";
    case LeftOutKind::SampleHeaderOutside:
      return "sample header outside the 'shdr' chunk";
    case LeftOutKind::StereoLinkOutside:
      return "stereo link to a sample header outside the 'shdr' chunk";
    case LeftOutKind::SampleDataOutside:
      return "sample data outside the 'smpl' chunk or running backwards";
    case LeftOutKind::SampleDataTooOften:
      return "sample data asked for far more often than the bank could need";
    case LeftOutKind::SampleLibraryRefused:
      return "sample the library cannot hold";
    case LeftOutKind::StreamUnreadable:
      return leftOut.detail;
    case LeftOutKind::EntryOutsideGroup:
      return "entry outside the group";
    case LeftOutKind::ZoneEntryTooOften:
      return "zone entry named more often than the group could need";
    case LeftOutKind::SampleNot16Bit:
      return "sample that is not 16-bit mono or stereo";
    case LeftOutKind::GroupHeaderCut:
      return "header that does not fit the chunk";
    case LeftOutKind::SampleEntryOutsideGroup:
      return "sample entry outside the group";
    case LeftOutKind::SampleWithoutFrameSize:
      return "sample without a frame size (no channel or under 8 bits)";
    case LeftOutKind::SampleDataOutsideGroup:
      return "sample data outside the group";
    case LeftOutKind::SampleDataTooOftenInGroup:
      return "sample data asked for more often than the group could need";
    case LeftOutKind::IncludeNotFound:
      return "#include file " + Quoted(leftOut.subject) + " not found";
    case LeftOutKind::IncludeCycle:
      return "#include cycle through " + Quoted(leftOut.subject);
    case LeftOutKind::IncludeTooDeep:
      return "#include nested more than " + std::to_string(kSfzMostIncludeDepth) + " deep";
    case LeftOutKind::IncludesTooMany:
      return "more than " + std::to_string(kSfzMostIncludes) + " #include files";
    case LeftOutKind::RecordBroken:
      return leftOut.detail;
    case LeftOutKind::TextTooLong:
      return "more than " + std::to_string(kSfzMostText >> 20) + " MiB of text";
  }
  return leftOut.detail;
}

std::string NoteText(const ImportNote& note) {
  std::string parts = Counted(note.count, PartNoun(note.part));
  switch (note.kind) {
    case NoteKind::GainAboveZero:
      return parts + " played up to " + note.subject +
             " dB quieter than asked: a gain above 0 dB is kept only as far as the sample's peak "
             "allows";
    case NoteKind::ReleaseTrigger:
      return parts + " left out: release triggers cannot be kept";
    case NoteKind::LaterRoundRobin:
      return parts + " left out: only the first round robin is kept";
    case NoteKind::OtherKeySwitch:
      return parts + " left out: only the default key switch is kept";
    case NoteKind::ControllerGate:
      return parts + " left out: closed at the controllers' start values";
    case NoteKind::BuiltInGenerator:
      return parts + " left out: built-in generator " + Quoted(note.subject) + " cannot be kept";
    case NoteKind::Modulation:
      return Counted(note.count, "connection") +
             " left out: modulation (LFO, velocity, controllers) a zone cannot hold";
    case NoteKind::Reversed:
      return parts + " played forwards: reverse playback cannot be kept";
    case NoteKind::AlternatingLoop:
      return parts + " loop forwards: alternating (ping-pong) loops cannot be kept";
    case NoteKind::MutedInstrument:
      return Counted(note.count, "instrument") + " left out: muted in the kit";
    case NoteKind::UnreachedLayer:
      return Counted(note.count, "layer") + " left out: played at no velocity";
    case NoteKind::KeyPastRange:
      return Counted(note.count, "instrument") + " left out: past key 127";
    case NoteKind::LaterTake:
      return Counted(note.count, "file") +
             " left out: only the first round robin of a key and layer is kept";
  }
  return parts;
}

std::string OutcomeReason(const ImportOutcome& outcome) {
  std::string text = outcome.reason;
  for (const LeftOut& leftOut : outcome.leftOut) {
    if (!text.empty()) text += "; ";
    if (leftOut.part != PartKind::Include)
      text += Counted(leftOut.count, PartNoun(leftOut.part)) + " left out: ";
    text += LeftOutText(leftOut);
  }
  return text;
}

std::string DescribeImportOutcome(const ImportOutcome& outcome, std::size_t added) {
  switch (outcome.status) {
    case ImportStatus::Imported:
      return {};
    case ImportStatus::NotRecognised:
      if (outcome.reason.empty())
        return "not recognised as a WAV, AIFF, FLAC or Ogg file, SoundFont or DLS bank, SFZ "
               "instrument, Hydrogen drum kit or SiFi file";
      return "not recognised: " + outcome.reason;
    case ImportStatus::Damaged: {
      std::string text = "damaged";
      if (added > 0) text += " (" + Counted(added, "instrument") + " imported)";
      return text + ": " + OutcomeReason(outcome);
    }
    case ImportStatus::CannotOpen:
      return outcome.reason;
    case ImportStatus::Cancelled:
      return "import cancelled";
  }
  return outcome.reason;
}

std::vector<std::string> ImportOutcomeLines(const ImportOutcome& outcome, std::size_t added) {
  std::vector<std::string> lines;
  if (std::string line = DescribeImportOutcome(outcome, added); !line.empty())
    lines.push_back(std::move(line));
  for (const ImportNote& note : outcome.notes) lines.push_back("note: " + NoteText(note));
  return lines;
}

int ImportExitStatus(const ImportOutcome& outcome) {
  return outcome.imported() ? 0 : 1;
}

}  // namespace tolvane
