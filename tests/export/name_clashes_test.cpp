// Instruments of one export that the sampler would show or key alike are named.

#include "export/name_clashes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

struct Made {
  const char* name;      // as shown, shortened
  const char* imported;  // as the file named it
  std::uint32_t soundId;
  const char* path;  // of its source
};

TEST(NameClashes, SameSoundIdsAndSameShownNamesAreNamedOnce) {
  using Texts = std::vector<std::string>;
  const struct {
    std::vector<Made> instruments;
    Texts texts;
  } cases[] = {
      {{{"Kick", "Kick", 1, "a/Kick.wav"}, {"Snare", "Snare", 2, "a/Snare.wav"}}, {}},
      // Two files of one name and time: one SoundID, one name; named once, for the SoundID.
      {{{"Kick", "Kick", 0x3D89798A, "a/Kick.wav"}, {"Kick", "Kick", 0x3D89798A, "b/Kick.wav"}},
       {"2 instruments share SoundID [3D89798A]: 'Kick' (a/Kick.wav), 'Kick' (b/Kick.wav)"}},
      {{{"Bssndtpts-SttngpSmplRvrb", "Bass and trumpets A", 1, "x.sfz"},
        {"Snare", "Snare", 2, "s.wav"},
        {"Bssndtpts-SttngpSmplRvrb", "Bass and trumpets B", 3, "y.sfz"}},
       {"2 instruments show as 'Bssndtpts-SttngpSmplRvrb': 'Bass and trumpets A' (x.sfz), 'Bass "
        "and trumpets B' (y.sfz)"}},
      // A third of the same name but another SoundID still shows like the first.
      {{{"Pad", "Pad", 7, "1.wav"}, {"Pad", "Pad", 7, "2.wav"}, {"Pad", "Pad", 8, "3.wav"}},
       {"2 instruments share SoundID [00000007]: 'Pad' (1.wav), 'Pad' (2.wav)",
        "2 instruments show as 'Pad': 'Pad' (1.wav), 'Pad' (3.wav)"}},
  };
  for (const auto& c : cases) {
    std::vector<Source> sources(c.instruments.size());
    std::vector<Instrument> instruments(c.instruments.size());
    std::vector<const Instrument*> checked;
    for (std::size_t i = 0; i < c.instruments.size(); ++i) {
      sources[i].path = c.instruments[i].path;
      instruments[i].name = c.instruments[i].name;
      instruments[i].importedName = c.instruments[i].imported;
      instruments[i].soundId = c.instruments[i].soundId;
      instruments[i].source = &sources[i];
      checked.push_back(&instruments[i]);
    }
    Texts texts;
    for (const NameClash& clash : FindNameClashes(checked)) texts.push_back(NameClashText(clash));
    EXPECT_EQ(texts, c.texts);
  }
}

}  // namespace
}  // namespace tolvane
