#include "import/outcome_text.h"

#include "import/format_lists.h"

namespace tolvane {
namespace {

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

}  // namespace

std::string Counted(std::size_t count, std::string_view noun) {
  return std::to_string(count) + ' ' + std::string(noun) + (count == 1 ? "" : "s");
}

std::string CountedParts(std::size_t count, PartKind part) {
  return Counted(count, PartNoun(part));
}

std::string Quoted(std::string_view text) {
  return '\'' + std::string(text) + '\'';
}

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
    case LeftOutKind::SampleDataTooOften:
      return "sample data asked for far more often than the bank could need";
    case LeftOutKind::SampleLibraryRefused:
      return "sample the library cannot hold";
    case LeftOutKind::RecordBroken:
      return leftOut.detail;
    case LeftOutKind::Format:
      if (leftOut.format == nullptr) break;
      return leftOut.format->words ? leftOut.format->words(leftOut)
                                   : std::string(leftOut.format->text);
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
    case NoteKind::Reversed:
      return parts + " played forwards: reverse playback cannot be kept";
    case NoteKind::AlternatingLoop:
      return parts + " loop forwards: alternating (ping-pong) loops cannot be kept";
    case NoteKind::Format: {
      const FormatNote* format = note.format;
      if (format == nullptr) break;
      if (format->words) return format->words(note);
      if (!format->noun.empty()) parts = Counted(note.count, format->noun);
      return parts + ' ' + std::string(format->text);
    }
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
      if (outcome.reason.empty()) return "not recognised as " + ReadFormatsText();
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
    case ImportStatus::Unread:
      return "not read: " + outcome.reason;
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
