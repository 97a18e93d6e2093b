#pragma once
// Builds SoundFont banks record by record for the importer tests and the fuzz seeds: plain
// SoundFont 2 banks and, with Ogg Vorbis streams as sample data, compressed ones.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "import/importer.h"
#include "import/soundfont/soundfont_import.h"
#include "library/library.h"
#include "library/zone.h"
#include "tests/import/riff_builder.h"

namespace tolvane::testing {

// Generator numbers used below.
constexpr std::uint16_t kStartOffset = 0;
constexpr std::uint16_t kPan = 17;
constexpr std::uint16_t kAttackVolEnv = 34;
constexpr std::uint16_t kInstrumentGen = 41;
constexpr std::uint16_t kKeyRange = 43;
constexpr std::uint16_t kVelRange = 44;
constexpr std::uint16_t kAttenuation = 48;
constexpr std::uint16_t kCoarseTune = 51;
constexpr std::uint16_t kFineTune = 52;
constexpr std::uint16_t kSampleId = 53;
constexpr std::uint16_t kSampleModes = 54;

constexpr std::uint16_t kMono = 1;
constexpr std::uint16_t kRight = 2;
constexpr std::uint16_t kLeft = 4;
constexpr std::uint16_t kCompressed = 0x10;

inline std::uint16_t Range(int low, int high) {
  return static_cast<std::uint16_t>(low | (high << 8));
}
inline std::uint16_t Amount(int value) {
  return static_cast<std::uint16_t>(value);
}

// The value at position i of the sample data written for `seed`.
inline std::int16_t DataValue(int seed, std::size_t i) {
  return static_cast<std::int16_t>(seed * 1000 + static_cast<int>(i) - 20000);
}

struct HeaderRecord {
  std::string name;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint32_t sampleRate = 22050;
  std::uint8_t key = 60;
  std::int8_t correction = 0;
  std::uint16_t link = 0;
  std::uint16_t type = kMono;
};

// Builds a small SoundFont 2 bank record by record. Tests may change any record before Build.
struct BankBuilder {
  // Appends `frames` values followed by the 46 zero values the format asks for; returns the
  // new sample header's index. Loop points are relative to the sample start.
  std::uint16_t AddSampleData(std::string name, std::uint32_t frames, std::uint32_t loopStart,
                              std::uint32_t loopEnd, int seed, std::uint16_t type = kMono,
                              std::uint16_t link = 0) {
    std::vector<std::int16_t> values;
    for (std::uint32_t i = 0; i < frames; ++i) values.push_back(DataValue(seed, i));
    return AddSampleValues(std::move(name), values, loopStart, loopEnd, type, link);
  }
  std::uint16_t AddSampleValues(std::string name, std::span<const std::int16_t> values,
                                std::uint32_t loopStart, std::uint32_t loopEnd,
                                std::uint16_t type = kMono, std::uint16_t link = 0) {
    HeaderRecord h;
    h.name = std::move(name);
    h.start = static_cast<std::uint32_t>(smpl.size());
    smpl.insert(smpl.end(), values.begin(), values.end());
    h.end = static_cast<std::uint32_t>(smpl.size());
    smpl.insert(smpl.end(), 46, 0);
    h.loopStart = h.start + loopStart;
    h.loopEnd = h.start + loopEnd;
    h.type = type;
    h.link = link;
    headers.push_back(h);
    return static_cast<std::uint16_t>(headers.size() - 1);
  }
  // Appends an Ogg Vorbis stream, as a compressed bank holds a sample, at the next word of the
  // sample data: start and end are its byte offsets there, the loop counts decoded frames, and
  // `type` gets the compressed flag. Returns the new header's index.
  std::uint16_t AddCompressedData(std::string name, std::span<const std::byte> stream,
                                  std::uint32_t loopStart, std::uint32_t loopEnd,
                                  std::uint16_t type = kMono, std::uint16_t link = 0) {
    HeaderRecord h;
    h.name = std::move(name);
    h.start = static_cast<std::uint32_t>(2 * smpl.size());
    h.end = h.start + static_cast<std::uint32_t>(stream.size());
    for (std::size_t i = 0; i < stream.size(); i += 2) {
      const auto low = std::to_integer<std::uint16_t>(stream[i]);
      const auto high = i + 1 < stream.size() ? std::to_integer<std::uint16_t>(stream[i + 1]) : 0;
      smpl.push_back(static_cast<std::int16_t>(low | (high << 8)));
    }
    h.loopStart = loopStart;
    h.loopEnd = loopEnd;
    h.type = static_cast<std::uint16_t>(type | kCompressed);
    h.link = link;
    headers.push_back(h);
    return static_cast<std::uint16_t>(headers.size() - 1);
  }
  // Returns the new record's index, for a preset zone to name.
  std::uint16_t AddInstrument(std::string name) {
    instruments.emplace_back(std::move(name), static_cast<std::uint16_t>(bags.size()));
    return static_cast<std::uint16_t>(instruments.size() - 1);
  }
  void AddBag() { bags.push_back(static_cast<std::uint16_t>(generators.size())); }
  void AddGenerator(std::uint16_t number, std::uint16_t amount) {
    generators.emplace_back(number, amount);
  }
  // One bag playing `sample`, with the generators given before the sampleID.
  void AddZone(std::uint16_t sample,
               std::vector<std::pair<std::uint16_t, std::uint16_t>> generatorsFirst = {}) {
    AddBag();
    for (const auto& [number, amount] : generatorsFirst) AddGenerator(number, amount);
    AddGenerator(kSampleId, sample);
  }
  // The preset level: without any preset, Build writes one preset of no zones.
  void AddPreset(std::string name, std::uint16_t bank, std::uint16_t program) {
    presets.push_back(
        {std::move(name), program, bank, static_cast<std::uint16_t>(presetBags.size())});
  }
  void AddPresetBag() { presetBags.push_back(static_cast<std::uint16_t>(presetGenerators.size())); }
  void AddPresetGenerator(std::uint16_t number, std::uint16_t amount) {
    presetGenerators.emplace_back(number, amount);
  }
  // One preset bag playing `instrument`, with the generators given before it.
  void AddPresetZone(std::uint16_t instrument,
                     std::vector<std::pair<std::uint16_t, std::uint16_t>> generatorsFirst = {}) {
    AddPresetBag();
    for (const auto& [number, amount] : generatorsFirst) AddPresetGenerator(number, amount);
    AddPresetGenerator(kInstrumentGen, instrument);
  }
  // The closing records of the instrument-level arrays, and of the preset level's if it has
  // presets.
  void Finish() {
    if (!presets.empty()) {
      AddPreset("EOP", 0, 0);
      AddPresetBag();
      AddPresetGenerator(0, 0);
    }
    AddInstrument("EOI");
    AddBag();
    AddGenerator(0, 0);
    HeaderRecord eos;
    eos.name = "EOS";
    eos.type = 0;
    headers.push_back(eos);
  }

  Bytes Build() const {
    Bytes info = Concat({Chunk("ifil", {std::byte{2}, std::byte{0}, std::byte{1}, std::byte{0}}),
                         Chunk("INAM", Text("Test Bank", 10))});
    Bytes samples;
    for (const std::int16_t v : smpl) testing::PutU16(samples, static_cast<std::uint16_t>(v));
    Bytes pdta;
    if (presets.empty()) {
      // A minimal preset level, of one preset without zones.
      Bytes phdr = Concat({Text("Preset", 20), Bytes(18, std::byte{0})});
      phdr = Concat({phdr, Text("EOP", 20), Bytes(18, std::byte{0})});
      pdta =
          Concat({Chunk("phdr", phdr), Chunk("pbag", Bytes(8, std::byte{0})),
                  Chunk("pmod", Bytes(10, std::byte{0})), Chunk("pgen", Bytes(8, std::byte{0}))});
    } else {
      Bytes phdr, pbag, pgen;
      for (const PresetRecord& p : presets) {
        phdr = Concat({phdr, Text(p.name, 20)});
        for (const std::uint16_t v : {p.program, p.bank, p.firstBag}) testing::PutU16(phdr, v);
        phdr = Concat({phdr, Bytes(12, std::byte{0})});  // library, genre, morphology
      }
      for (const std::uint16_t g : presetBags) {
        testing::PutU16(pbag, g);
        testing::PutU16(pbag, 0);
      }
      for (const auto& [number, amount] : presetGenerators) {
        testing::PutU16(pgen, number);
        testing::PutU16(pgen, amount);
      }
      pdta = Concat({Chunk("phdr", phdr), Chunk("pbag", pbag),
                     Chunk("pmod", Bytes(10, std::byte{0})), Chunk("pgen", pgen)});
    }
    if (withInst) {
      Bytes inst;
      for (const auto& [name, bag] : instruments) {
        inst = Concat({inst, Text(name, 20)});
        testing::PutU16(inst, bag);
      }
      pdta = Concat({pdta, Chunk("inst", inst)});
    }
    if (withIbag) {
      Bytes ibag;
      for (const std::uint16_t g : bags) {
        testing::PutU16(ibag, g);
        testing::PutU16(ibag, 0);
      }
      pdta = Concat({pdta, Chunk("ibag", ibag)});
    }
    pdta = Concat({pdta, Chunk("imod", Bytes(10, std::byte{0}))});
    if (withIgen) {
      Bytes igen;
      for (const auto& [number, amount] : generators) {
        testing::PutU16(igen, number);
        testing::PutU16(igen, amount);
      }
      pdta = Concat({pdta, Chunk("igen", igen)});
    }
    if (withShdr) {
      Bytes shdr;
      for (const HeaderRecord& h : headers) {
        shdr = Concat({shdr, Text(h.name, 20)});
        for (const std::uint32_t v : {h.start, h.end, h.loopStart, h.loopEnd, h.sampleRate})
          testing::PutU32(shdr, v);
        shdr.push_back(static_cast<std::byte>(h.key));
        shdr.push_back(static_cast<std::byte>(h.correction));
        testing::PutU16(shdr, h.link);
        testing::PutU16(shdr, h.type);
      }
      pdta = Concat({pdta, Chunk("shdr", shdr)});
    }
    return testing::Riff(
        "sfbk", {List("INFO", info), List("sdta", Chunk("smpl", samples)), List("pdta", pdta)});
  }

  static Bytes Text(std::string_view text, std::size_t width) {
    Bytes out(width, std::byte{0});
    for (std::size_t i = 0; i < text.size() && i < width; ++i)
      out[i] = static_cast<std::byte>(text[i]);
    return out;
  }
  static Bytes List(std::string_view type, const Bytes& chunks) {
    Bytes data;
    testing::PutText(data, type);
    return Chunk("LIST", Concat({data, chunks}));
  }

  struct PresetRecord {
    std::string name;
    std::uint16_t program = 0;
    std::uint16_t bank = 0;
    std::uint16_t firstBag = 0;
  };

  std::vector<std::int16_t> smpl;
  std::vector<PresetRecord> presets;
  std::vector<std::uint16_t> presetBags;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> presetGenerators;
  std::vector<HeaderRecord> headers;
  std::vector<std::pair<std::string, std::uint16_t>> instruments;
  std::vector<std::uint16_t> bags;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> generators;
  bool withInst = true;
  bool withIbag = true;
  bool withIgen = true;
  bool withShdr = true;
};

// One import into a fresh library.
struct Imported {
  explicit Imported(const Bytes& bank, std::string_view path = "C:\\Banks\\Test.sf2",
                    SoundFontMode mode = SoundFontMode::Instruments)
      : source(CreateSource(library, path)) {
    ImportView view{bank, 0, nullptr};
    view.settings.soundFont = mode;
    outcome = ImportSoundFont(library, source, view);
    taken = outcome.recognised();
  }

  const Instrument* Find(std::string_view importedName) const {
    for (const auto& i : library.instruments)
      if (i->importedName == importedName) return i.get();
    return nullptr;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& i : library.instruments) names.push_back(i->name);
    return names;
  }

  Library library;
  Source& source;
  ImportOutcome outcome;
  bool taken = false;
};

inline std::vector<std::int16_t> Values(int seed, std::size_t count) {
  std::vector<std::int16_t> values;
  for (std::size_t i = 0; i < count; ++i) values.push_back(DataValue(seed, i));
  return values;
}

inline std::int8_t Pan(const ZoneParameters& p) {
  return p.Signed(ZoneParameters::pan);
}

// Generators written as text, "43:36-60 17:-100 44:-": number and amount, a range as low-high,
// "-" for an amount that is not set (in expectations).
inline std::vector<std::pair<std::uint16_t, std::optional<std::uint16_t>>> GeneratorsIn(
    std::string_view text) {
  std::vector<std::pair<std::uint16_t, std::optional<std::uint16_t>>> generators;
  std::istringstream words{std::string(text)};
  for (std::string word; words >> word;) {
    const std::size_t colon = word.find(':');
    const std::string amount = word.substr(colon + 1);
    const std::size_t dash = amount.find('-', 1);
    std::optional<std::uint16_t> value;
    if (amount != "-" && dash == std::string::npos) value = Amount(std::stoi(amount));
    if (dash != std::string::npos)
      value = Range(std::stoi(amount.substr(0, dash)), std::stoi(amount.substr(dash + 1)));
    generators.emplace_back(static_cast<std::uint16_t>(std::stoi(word.substr(0, colon))), value);
  }
  return generators;
}
// The same as the pairs a bag takes.
inline std::vector<std::pair<std::uint16_t, std::uint16_t>> Gens(std::string_view text) {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> generators;
  for (const auto& [number, amount] : GeneratorsIn(text))
    generators.emplace_back(number, amount.value_or(0));
  return generators;
}

}  // namespace tolvane::testing
