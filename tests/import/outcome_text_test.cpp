// Every kind of outcome, worded as both programs tell it, with the command-line tool's exit
// status for it.

#include "import/outcome_text.h"

#include "import/dls/dls_outcome.h"
#include "import/format_lists.h"
#include "import/hydrogen/hydrogen_outcome.h"
#include "import/sfz/sfz_outcome.h"
#include "import/sifi/sifi_outcome.h"
#include "import/soundfont/soundfont_outcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

// Kind: a LeftOutKind, or a format's own FormatDamage.
template <typename Kind>
ImportOutcome LeftOutOf(PartKind part, const Kind& kind, std::size_t count = 1,
                        std::string subject = {}, std::string detail = {}) {
  ImportDrops drops;
  drops.Drop(part, kind, count, std::move(subject), std::move(detail));
  return drops.Finish();
}

// Kind: a NoteKind, or a format's own FormatNote.
template <typename Kind>
ImportOutcome Noted(const Kind& kind, std::size_t count = 1, std::string subject = {}) {
  ImportDrops drops;
  drops.Note(kind, count, std::move(subject));
  return drops.Finish();
}

TEST(OutcomeText, EveryKindIsWordedWithItsExitStatus) {
  struct Case {
    ImportOutcome outcome;
    std::size_t added;
    std::vector<std::string> lines;
    int exitStatus;
  };
  const std::string kDamaged = "damaged (1 instrument imported): ";
  const auto zone = [](const auto& kind, std::string detail = {}) {
    return LeftOutOf(PartKind::Zone, kind, 2, {}, std::move(detail));
  };
  const auto region = [](LeftOutKind kind, std::string detail = {}) {
    return LeftOutOf(PartKind::Region, kind, 1, "Samples/Kick 1.wav", std::move(detail));
  };
  const auto include = [](const FormatDamage& kind) {
    return LeftOutOf(PartKind::Include, kind, 1, "keys.sfz");
  };
  ImportOutcome wholeFileDamage = ImportOutcome::Damaged("no 'data' chunk after the 'fmt ' chunk");
  const Case cases[] = {
      {ImportOutcome::Imported(), 1, {}, 0},
      {ImportOutcome::NotRecognised(), 0, {"not recognised as " + ReadFormatsText()}, 1},
      {ImportOutcome::NotRecognised("SiFi version 3 is not supported"),
       0,
       {"not recognised: SiFi version 3 is not supported"},
       1},
      {ImportOutcome::CannotOpen("cannot open file: no such file"),
       0,
       {"cannot open file: no such file"},
       1},
      {ImportOutcome::Cancelled(), 0, {"import cancelled"}, 1},
      {wholeFileDamage, 0, {"damaged: no 'data' chunk after the 'fmt ' chunk"}, 1},
      // What a sample file named by an instrument came to.
      {region(LeftOutKind::SampleNotFound),
       1,
       {kDamaged + "1 region left out: sample 'Samples/Kick 1.wav' not found"},
       1},
      {region(LeftOutKind::SampleCannotOpen),
       1,
       {kDamaged + "1 region left out: sample 'Samples/Kick 1.wav' cannot be opened"},
       1},
      {region(LeftOutKind::SampleNotSound),
       1,
       {kDamaged +
        "1 region left out: sample 'Samples/Kick 1.wav' is not a sound file that can be read"},
       1},
      {region(LeftOutKind::SampleUnreadable, "FLAC file that decodes to nothing"),
       1,
       {kDamaged + "1 region left out: sample 'Samples/Kick 1.wav' cannot be read: FLAC file "
                   "that decodes to nothing"},
       1},
      {region(LeftOutKind::SampleManyChannels),
       1,
       {kDamaged + "1 region left out: sample 'Samples/Kick 1.wav' has more than two channels"},
       1},
      {region(LeftOutKind::SampleNotKept),
       1,
       {kDamaged + "1 region left out: sample 'Samples/Kick 1.wav' cannot be kept"},
       1},
      {region(LeftOutKind::SampleOutside),
       1,
       {kDamaged + "1 region left out: sample 'Samples/Kick 1.wav' lies outside the "
                   "instrument's folder or archive"},
       1},
      {LeftOutOf(PartKind::File, LeftOutKind::EntryRefused, 1, "../x.wav", "a '..' part"),
       1,
       {kDamaged + "1 file left out: archive entry '../x.wav' refused: it has a '..' part"},
       1},
      // A bank's records.
      {zone(kGeneratorsOutside),
       1,
       {kDamaged + "2 zones left out: generators outside the 'igen' chunk"},
       1},
      {zone(kBagOutside), 1, {kDamaged + "2 zones left out: bag outside the 'ibag' chunk"}, 1},
      {zone(kSampleHeaderOutside),
       1,
       {kDamaged + "2 zones left out: sample header outside the 'shdr' chunk"},
       1},
      {zone(kStereoLinkOutside),
       1,
       {kDamaged + "2 zones left out: stereo link to a sample header outside the 'shdr' chunk"},
       1},
      {zone(kSampleDataOutside),
       1,
       {kDamaged + "2 zones left out: sample data outside the 'smpl' chunk or running backwards"},
       1},
      {zone(LeftOutKind::SampleDataTooOften),
       1,
       {kDamaged +
        "2 zones left out: sample data asked for far more often than the bank could need"},
       1},
      {zone(LeftOutKind::SampleLibraryRefused),
       1,
       {kDamaged + "2 zones left out: sample the library cannot hold"},
       1},
      {zone(kStreamUnreadable, "Ogg Vorbis stream that cannot be decoded"),
       0,
       {"damaged: 2 zones left out: Ogg Vorbis stream that cannot be decoded"},
       1},
      // An instrument file's entries.
      {LeftOutOf(PartKind::Instrument, kEntryOutsideGroup, 3),
       2,
       {"damaged (2 instruments imported): 3 instruments left out: entry outside the group"},
       1},
      {zone(kZoneEntryTooOften),
       1,
       {kDamaged + "2 zones left out: zone entry named more often than the group could need"},
       1},
      {zone(kSampleNot16Bit),
       1,
       {kDamaged + "2 zones left out: sample that is not 16-bit mono or stereo"},
       1},
      {LeftOutOf(PartKind::Group, kGroupHeaderCut),
       1,
       {kDamaged + "1 group left out: header that does not fit the chunk"},
       1},
      {zone(kSampleEntryOutsideGroup),
       1,
       {kDamaged + "2 zones left out: sample entry outside the group"},
       1},
      {zone(kSampleWithoutFrameSize),
       1,
       {kDamaged + "2 zones left out: sample without a frame size (no channel or under 8 bits)"},
       1},
      {zone(kSampleDataOutsideGroup),
       1,
       {kDamaged + "2 zones left out: sample data outside the group"},
       1},
      {zone(kSampleDataTooOftenInGroup),
       1,
       {kDamaged + "2 zones left out: sample data asked for more often than the group could need"},
       1},
      // #include not followed: named alone, without a count.
      {include(kIncludeNotFound), 1, {kDamaged + "#include file 'keys.sfz' not found"}, 1},
      {include(kIncludeCycle), 1, {kDamaged + "#include cycle through 'keys.sfz'"}, 1},
      {include(kIncludeTooDeep), 1, {kDamaged + "#include nested more than 16 deep"}, 1},
      {include(kIncludesTooMany), 1, {kDamaged + "more than 4096 #include files"}, 1},
      {include(kTextTooLong), 1, {kDamaged + "more than 64 MiB of text"}, 1},
      // Notes alone: imported, exit status 0.
      {Noted(NoteKind::GainAboveZero, 2, "4.5"),
       1,
       {"note: 2 regions played up to 4.5 dB quieter than asked: a gain above 0 dB is kept only "
        "as far as the sample's peak allows"},
       0},
      {Noted(NoteKind::ReleaseTrigger),
       1,
       {"note: 1 region left out: release triggers cannot be kept"},
       0},
      {Noted(NoteKind::LaterRoundRobin, 3),
       1,
       {"note: 3 regions left out: only the first round robin is kept"},
       0},
      {Noted(kOtherKeySwitch, 4),
       1,
       {"note: 4 regions left out: only the default key switch is kept"},
       0},
      {Noted(kControllerGate),
       1,
       {"note: 1 region left out: closed at the controllers' start values"},
       0},
      {Noted(kBuiltInGenerator, 2, "*noise"),
       1,
       {"note: 2 regions left out: built-in generator '*noise' cannot be kept"},
       0},
      {Noted(NoteKind::Reversed, 2),
       1,
       {"note: 2 regions played forwards: reverse playback cannot be kept"},
       0},
      {Noted(NoteKind::AlternatingLoop),
       1,
       {"note: 1 region loop forwards: alternating (ping-pong) loops cannot be kept"},
       0},
      {LeftOutOf(PartKind::Layer, LeftOutKind::SampleOutside, 2, "../x.wav"),
       1,
       {kDamaged +
        "2 layers left out: sample '../x.wav' lies outside the instrument's folder or archive"},
       1},
      {Noted(kMutedInstrument, 2), 1, {"note: 2 instruments left out: muted in the kit"}, 0},
      {Noted(kUnreachedLayer), 1, {"note: 1 layer left out: played at no velocity"}, 0},
      {Noted(kKeyPastRange, 3), 1, {"note: 3 instruments left out: past key 127"}, 0},
      {Noted(NoteKind::LaterTake, 3),
       2,
       {"note: 3 files left out: only the first round robin of a key and layer is kept"},
       0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImportOutcomeLines(c.outcome, c.added), c.lines) << ::testing::PrintToString(c.lines);
    EXPECT_EQ(ImportExitStatus(c.outcome), c.exitStatus) << ::testing::PrintToString(c.lines);
  }
}

// Parts are counted per kind (and per decoder's reason), named by the first met; damage comes
// first, then the parts, and notes go with damage as they go with a whole import.
TEST(OutcomeText, DropsCountByKindAndKeepDamageAndNotesApart) {
  ImportDrops drops;
  drops.Note(NoteKind::GainAboveZero, 1, "2.0");
  drops.Drop(PartKind::Region, LeftOutKind::SampleNotFound, 1, "a.wav");
  drops.Drop(PartKind::Region, LeftOutKind::SampleUnreadable, 1, "b.wav", "x");
  drops.Drop(PartKind::Region, LeftOutKind::SampleNotFound, 2, "c.wav");
  drops.Drop(PartKind::Region, LeftOutKind::SampleUnreadable, 1, "d.wav", "y");
  drops.Drop(PartKind::Zone, LeftOutKind::SampleNotFound, 0, "never");
  drops.Note(NoteKind::GainAboveZero, 2, "2.0");
  EXPECT_EQ(drops.count(), 5u);
  const ImportOutcome outcome = drops.Finish("no region left");
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(ImportOutcomeLines(outcome, 0),
            (std::vector<std::string>{
                "damaged: no region left; 3 regions left out: sample 'a.wav' not found; 1 region "
                "left out: sample 'b.wav' cannot be read: x; 1 region left out: sample 'd.wav' "
                "cannot be read: y",
                "note: 3 regions played up to 2.0 dB quieter than asked: a gain above 0 dB is "
                "kept only as far as the sample's peak allows"}));
  EXPECT_EQ(ImportExitStatus(outcome), 1);
  EXPECT_TRUE(ImportDrops().Finish().imported());
}

}  // namespace
}  // namespace tolvane
