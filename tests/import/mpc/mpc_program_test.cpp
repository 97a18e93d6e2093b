// MPC programs written from the format's facts (keygroups as 1.7, 2.1 and 3.5 files lay them
// out, drum programs as 2.6 writes them), read from memory and checked zone by zone.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "import/mpc/mpc_import.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "tests/import/mpc/mpc_files.h"

namespace tolvane {
namespace {

using testing::Element;
using testing::FakeSample;
using testing::MpcInstrumentText;
using testing::MpcLayerText;
using testing::MpcProgramText;

using Byte = ZoneParameters::Byte;
using Word = ZoneParameters::Word;

// A layer as every real file writes its fields; `more` after them (the first of a field
// written twice counts, so `more` cannot change these).
std::string Layer(int number, const std::string& sample, const std::string& more = {}) {
  return MpcLayerText(number, more + Element("Active", "True") + Element("Volume", "1.000000") +
                                  Element("Pan", "0.500000") + Element("SampleName", sample) +
                                  Element("SampleFile", "") + Element("KeyTrack", "False"));
}

// A 2.1 keygroup program: ProgramName, then the instruments, KeygroupNumKeygroups last.
std::string Keygroup21(const std::string& instruments, int keygroups = 1,
                       const std::string& program = {}) {
  return MpcProgramText("Keygroup", "2.1",
                        Element("ProgramName", "Keys") + Element("ProgramPads", "{}") + program +
                            Element("Volume", "1.000000") + "<Instruments>" + instruments +
                            "</Instruments><PadNoteMap><PadNote number=\"1\"><Note>0</Note>"
                            "</PadNote></PadNoteMap>" +
                            Element("KeygroupNumKeygroups", std::to_string(keygroups)));
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

class MpcProgram : public ::testing::Test {
 protected:
  MpcProgram() {
    files.samples["Piano C3.wav"] = {};
    files.samples["Piano C4.WAV"] = {};
    files.samples["Loop.wav"].loop = SoundLoop{100, 900};
    files.samples["Rooted.wav"].root = 48;
    files.samples["Trailing .WAV"] = {};
    files.samples["Samples/Kick.wav"] = {};
    files.samples["Other/Samples/kick.wav"] = {};
    files.samples["Deep/er/Snare.wav"].frames = 500;
  }

  ImportOutcome Import(const std::string& text) {
    ClearLibrary(library);
    Source& source = CreateSource(library, "/mpc/File Name.xpm");
    return ImportMpcProgramText(library, source, text, 0, files);
  }

  // The only instrument's zones, absolute: keys, velocities, the sample's root, tuning in
  // cents, attenuation, pan, start offset, the sample's frames and loop.
  std::vector<std::string> Zones() {
    std::vector<std::string> described;
    if (library.instruments.size() != 1) {
      ADD_FAILURE() << library.instruments.size() << " instruments";
      return described;
    }
    const Instrument& instrument = *library.instruments[0];
    for (Zone zone : instrument.zones) {
      AddParameters(zone, instrument.parameters);
      const ZoneMapping& m = zone.mapping;
      const Sample& s = *zone.sample;
      std::string text =
          s.name + " k" + std::to_string(m.keyLow) + "-" + std::to_string(m.keyHigh) + " v" +
          std::to_string(m.velLow) + "-" + std::to_string(m.velHigh) + " r" +
          std::to_string(m.overridingRootKey != 0 ? m.overridingRootKey : s.rootKey) + " t" +
          std::to_string(m.coarseTune * 100 + m.fineTune) + " a" +
          std::to_string(zone.parameters.bytes[Byte::attenuation]) + " p" +
          std::to_string(zone.parameters.Signed(Byte::pan)) + " s" +
          std::to_string(m.startOffset / 2) + " f" + std::to_string(s.frames);
      if ((m.flags & ZoneLoop) != 0)
        text += " L" + std::to_string(s.loopStart) + "-" + std::to_string(s.loopEnd);
      described.push_back(text);
    }
    // Zones are kept in key order; compared as a set.
    std::sort(described.begin(), described.end());
    return described;
  }

  // The amplifier envelope and filter of the first zone on `key`: attack, hold, decay, release
  // (timecents / 100), sustain (cB), cutoff (absolute cents), resonance (cB).
  std::string Synth(int key = 0) {
    if (library.instruments.empty()) return "none";
    const Instrument& instrument = *library.instruments[0];
    const auto on = std::find_if(
        instrument.zones.begin(), instrument.zones.end(),
        [&](const Zone& z) { return z.mapping.keyLow <= key && key <= z.mapping.keyHigh; });
    if (on == instrument.zones.end()) return "none";
    Zone zone = *on;
    AddParameters(zone, instrument.parameters);
    const ZoneParameters& p = zone.parameters;
    return std::to_string(p.Signed(Byte::attackVolEnv)) + " " +
           std::to_string(p.Signed(Byte::holdVolEnv)) + " " +
           std::to_string(p.Signed(Byte::decayVolEnv)) + " " +
           std::to_string(p.Signed(Byte::releaseVolEnv)) + " " +
           std::to_string(p.words[Word::sustainVolEnv]) + " " +
           std::to_string(p.words[Word::initialFilterFc]) + " " +
           std::to_string(p.words[Word::initialFilterQ]);
  }

  std::string Lines(const ImportOutcome& outcome) {
    std::string lines;
    for (const std::string& line : ImportOutcomeLines(outcome, library.instruments.size()))
      lines += (lines.empty() ? "" : "\n") + line;
    return lines;
  }

  testing::MpcFakeFiles files;
  Library library;
};

TEST_F(MpcProgram, KeygroupLayersBecomeZones) {
  const std::string range = Element("LowNote", "40") + Element("HighNote", "50");
  const struct {
    std::string what;
    std::string text;
    std::vector<std::string> zones;
  } cases[] = {
      {"2.1: RootNote counts from 1, velocity layers split the range",
       Keygroup21(MpcInstrumentText(
           1, range + Element("ZonePlay", "1"),
           Layer(1, "Piano C3",
                 Element("RootNote", "61") + Element("VelStart", "0") + Element("VelEnd", "64")) +
               Layer(2, "Piano C4",
                     Element("RootNote", "73") + Element("VelStart", "65") +
                         Element("VelEnd", "127")) +
               Layer(3, "", Element("RootNote", "0")) + Layer(4, "", {}))),
       {"Piano C3 k40-50 v0-64 r60 t0 a0 p0 s0 f1000",
        "Piano C4 k40-50 v65-127 r72 t0 a0 p0 s0 f1000"}},
      {"RootNote 0: the sample's own root, else 60",
       Keygroup21(MpcInstrumentText(1, range,
                                    Layer(1, "Rooted", Element("RootNote", "0")) +
                                        Layer(2, "Piano C3", Element("RootNote", "0")))),
       {"Rooted k40-50 v0-127 r48 t0 a0 p0 s0 f1000",
        "Piano C3 k40-50 v0-127 r60 t0 a0 p0 s0 f1000"}},
      {"tuning: program, instrument and layer add; Pitch before coarse and fine",
       Keygroup21(
           MpcInstrumentText(
               1, range + Element("TuneCoarse", "-1") + Element("TuneFine", "10"),
               Layer(1, "Piano C3", Element("Pitch", "2.500000")) +
                   Layer(2, "Piano C4", Element("TuneCoarse", "1") + Element("TuneFine", "-5"))),
           1, Element("TuneCoarse", "12")),
       {"Piano C3 k40-50 v0-127 r60 t1360 a0 p0 s0 f1000",
        "Piano C4 k40-50 v0-127 r60 t1205 a0 p0 s0 f1000"}},
      {"volume: three gain stages multiply; pan offsets add",
       Keygroup21(MpcInstrumentText(
                      1, range + Element("Volume", "0.707946") + Element("Pan", "0.250000"),
                      Layer(1, "Piano C3", Element("Volume", "0.707946") + Element("Pan", "0.3"))),
                  1, Element("Volume", "0.5")),
       {"Piano C3 k40-50 v0-127 r60 t0 a12 p-90 s0 f1000"}},
      {"slices: region and loop from Slice*, the loop ending with the region",
       Keygroup21(
           MpcInstrumentText(1, range,
                             Layer(1, "Loop",
                                   Element("SliceIndex", "129") + Element("SliceStart", "100") +
                                       Element("SliceEnd", "800") + Element("SliceLoop", "1") +
                                       Element("SliceLoopStart", "200") +
                                       Element("SampleStart", "5") + Element("SampleEnd", "10")))),
       {"Loop 200-800 k40-50 v0-127 r60 t0 a0 p0 s100 f800 L200-800"}},
      {"SliceLoop 0 switches the sample's own loop off",
       Keygroup21(MpcInstrumentText(1, range,
                                    Layer(1, "Loop",
                                          Element("SliceStart", "0") + Element("SliceEnd", "0") +
                                              Element("SliceLoop", "0")))),
       {"Loop k40-50 v0-127 r60 t0 a0 p0 s0 f1000"}},
      {"without loop fields the sample's own loop plays",
       Keygroup21(MpcInstrumentText(1, range, Layer(1, "Loop"))),
       {"Loop k40-50 v0-127 r60 t0 a0 p0 s0 f1000 L100-900"}},
      {"one-shot plays no loop",
       Keygroup21(MpcInstrumentText(1, range + Element("OneShot", "True"),
                                    Layer(1, "Loop", Element("SliceLoop", "1")))),
       {"Loop k40-50 v0-127 r60 t0 a0 p0 s0 f1000"}},
      {"samples by name: case, trailing spaces, then the folders below",
       Keygroup21(MpcInstrumentText(
           1, range,
           Layer(1, "piano c3") + Layer(2, "Trailing ") + Layer(3, "KICK") + Layer(4, "snare"))),
       {"Piano C3 k40-50 v0-127 r60 t0 a0 p0 s0 f1000",
        "Trailing  k40-50 v0-127 r60 t0 a0 p0 s0 f1000", "Kick k40-50 v0-127 r60 t0 a0 p0 s0 f1000",
        "Snare k40-50 v0-127 r60 t0 a0 p0 s0 f500"}},
      {"instruments past KeygroupNumKeygroups are left over",
       Keygroup21(MpcInstrumentText(1, range, Layer(1, "Piano C3")) +
                      MpcInstrumentText(2, Element("LowNote", "60"), Layer(1, "Piano C4")),
                  1),
       {"Piano C3 k40-50 v0-127 r60 t0 a0 p0 s0 f1000"}},
  };
  for (const auto& c : cases) {
    const ImportOutcome outcome = Import(c.text);
    EXPECT_TRUE(outcome.recognised()) << c.what;
    EXPECT_EQ(Zones(), Sorted(c.zones)) << c.what;
  }
}

TEST_F(MpcProgram, OlderAndNewerLayoutsReadAlike) {
  // 1.7: <Name>, legacy loop fields, OneShot, layer Mute.
  const std::string v17 = MpcProgramText(
      "Keygroup", "1.7",
      Element("Name", "Old Keys") + "<Instruments>" +
          MpcInstrumentText(
              1, Element("LowNote", "0") + Element("HighNote", "63") + Element("OneShot", "False"),
              Layer(1, "Piano C3",
                    Element("RootNote", "61") + Element("Loop", "True") +
                        Element("LoopStart", "10") + Element("LoopEnd", "500")) +
                  Layer(2, "Piano C4", Element("Mute", "True"))) +
          "</Instruments>");
  EXPECT_TRUE(Import(v17).imported()) << Lines(Import(v17));
  EXPECT_EQ(library.instruments[0]->name, "Old Keys");
  EXPECT_EQ(Zones(), std::vector<std::string>{"Piano C3 10-500 k0-63 v0-127 r60 t0 a0 p0 s0 f1000 "
                                              "L10-500"});

  // 3.5 (File_Version 2.1): 8 layers, TriggerMode, curves, a field written twice, and a
  // Keygroup XL program whose SynthSection envelope and filter stand for every instrument's.
  std::string layers;
  for (int n = 1; n <= 8; ++n) layers += Layer(n, n == 1 ? "Piano C3" : "");
  const std::string synth = Element("FilterType", "2") + Element("Cutoff", "0.500000") +
                            Element("Resonance", "0.500000") + Element("Resonance2", "0.1") +
                            Element("Resonance2", "0.2") + Element("VolumeAttack", "0.000000") +
                            Element("VolumeHold", "0.000000") + Element("VolumeDecay", "0.5") +
                            Element("VolumeSustain", "0.100000") +
                            Element("VolumeRelease", "0.700800") +
                            Element("VolumeAttackCurve", "0.375");
  const std::string instrument = MpcInstrumentText(
      1, Element("LowNote", "0") + Element("HighNote", "127") + Element("TriggerMode", "1") + synth,
      layers);
  const auto v35 = [&](const std::string& program) {
    return MpcProgramText("Keygroup", "2.1",
                          Element("ProgramName", "New Keys") +
                              Element("ProgramPads-v2.10", "{&quot;Universal&quot;:1}") + program +
                              "<Instruments>" + instrument + "</Instruments>" +
                              Element("KeygroupNumKeygroups", "1"));
  };
  EXPECT_TRUE(Import(v35(Element("KeygroupLegacyMode", "True"))).imported());
  // 1 ms, 1 ms, 0.32 s, 3.2 s; 20 dB down; 1865 Hz; 12 dB.
  EXPECT_EQ(Synth(), "-119 -119 -19 20 200 9399 120");
  EXPECT_EQ(Zones(), std::vector<std::string>{"Piano C3 k0-127 v0-127 r60 t0 a0 p0 s0 f1000"});
  EXPECT_TRUE(Import(v35(Element("KeygroupLegacyMode", "False") + "<SynthSection>" +
                         Element("FilterType", "0") + Element("VolumeAttack", "0.5") +
                         Element("VolumeADEnvelope", "True") + "</SynthSection>"))
                  .imported());
  // What the section does not set stays at the zone's defaults.
  EXPECT_EQ(Synth(), "-19 -120 -120 -120 1440 13500 0");
}

TEST_F(MpcProgram, DrumPadsPlayTheirNotes) {
  const auto pad = [](int number, const std::string& fields, const std::string& layers) {
    return MpcInstrumentText(number, Element("LowNote", "0") + Element("HighNote", "127") + fields,
                             layers);
  };
  const std::string pads =
      pad(1, Element("ZonePlay", "1") + Element("OneShot", "True"),
          Layer(1, "Samples/Kick", {}) +
              Layer(
                  2, "Piano C3",
                  Element("VelStart", "0") + Element("VelEnd", "63") + Element("RootNote", "20")) +
              Layer(3, "Piano C4", Element("VelStart", "64") + Element("VelEnd", "127"))) +
      pad(17, Element("ZonePlay", "0"),
          Layer(1, "Loop", Element("SliceLoop", "1")) + Layer(2, "Piano C3") +
              Layer(3, "Piano C4")) +
      pad(128, Element("ZonePlay", "2"), Layer(1, "Piano C3"));
  const auto drum = [&](const std::string& padNoteMap) {
    return MpcProgramText(
        "Drum", "2.1",
        Element("ProgramName", "Kit") + "<Instruments>" + pads + "</Instruments>" + padNoteMap);
  };
  const struct {
    std::string what;
    std::string text;
    std::vector<std::string> zones;
  } cases[] = {
      {"the default table without a PadNoteMap; cycle and random keep the first layer",
       drum(""),
       {"Piano C3 k37-37 v0-63 r37 t0 a0 p0 s0 f1000",
        "Piano C4 k37-37 v64-127 r37 t0 a0 p0 s0 f1000",
        "Loop 0-1000 k54-54 v0-127 r54 t0 a0 p0 s0 f1000 L0-1000",
        "Piano C3 k18-18 v0-127 r18 t0 a0 p0 s0 f1000"}},
      {"the PadNoteMap where it names a pad",
       drum("<PadNoteMap><PadNote number=\"1\"><Note>50</Note></PadNote>"
            "<PadNote number=\"17\"><Note>51</Note></PadNote></PadNoteMap>"),
       {"Piano C3 k50-50 v0-63 r50 t0 a0 p0 s0 f1000",
        "Piano C4 k50-50 v64-127 r50 t0 a0 p0 s0 f1000",
        "Loop 0-1000 k51-51 v0-127 r51 t0 a0 p0 s0 f1000 L0-1000",
        "Piano C3 k18-18 v0-127 r18 t0 a0 p0 s0 f1000"}},
  };
  for (const auto& c : cases) {
    const ImportOutcome outcome = Import(c.text);
    EXPECT_EQ(Zones(), Sorted(c.zones)) << c.what;
    // The kick's name holds a folder; the cycle's later layers are round robins.
    EXPECT_EQ(Lines(outcome),
              "damaged (1 instrument imported): 1 layer left out: sample 'Samples/Kick' lies "
              "outside the instrument's folder or archive\n"
              "note: 2 layers left out: only the first round robin is kept")
        << c.what;
  }
  // A one-shot pad plays on after the key is let go.
  EXPECT_EQ(Synth(50), "-120 -120 -120 80 0 13500 0");
}

TEST_F(MpcProgram, WhatCannotBeKeptIsNoted) {
  const struct {
    std::string fields;  // of the instrument, then of its layer after a '|'
    std::string lines;
  } cases[] = {
      {"|<Direction>1</Direction>",
       "note: 1 layer played forwards: reverse playback cannot be kept"},
      {"|<SliceIndex>3</SliceIndex>",
       "note: 1 layer played over the layer's whole region: a slice's own bounds (kept in the "
       "sample) are not read"},
      {"<FilterType>11</FilterType>|",
       "note: 1 layer played unfiltered: only the low-pass filters are kept"},
      {"<FilterType>29</FilterType>|<SliceIndex>128</SliceIndex><Direction>0</Direction>", ""},
  };
  for (const auto& c : cases) {
    const std::size_t bar = c.fields.find('|');
    const ImportOutcome outcome = Import(Keygroup21(MpcInstrumentText(
        1, c.fields.substr(0, bar), Layer(1, "Piano C3", c.fields.substr(bar + 1)))));
    EXPECT_EQ(Lines(outcome), c.lines) << c.fields;
  }
}

}  // namespace
}  // namespace tolvane
