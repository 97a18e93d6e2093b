#pragma once
// Builds small DLS banks chunk by chunk for the importer tests and the fuzz seeds. Tests may
// change any record before Build, or the bytes after it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/import/riff_builder.h"

namespace tolvane::testing {

// Connection sources and destinations the tests use.
constexpr std::uint16_t kDlsSrcNone = 0x0000;
constexpr std::uint16_t kDlsSrcLfo = 0x0001;
constexpr std::uint16_t kDlsSrcKey = 0x0003;
constexpr std::uint16_t kDlsDstGain = 0x0001;
constexpr std::uint16_t kDlsDstPitch = 0x0003;
constexpr std::uint16_t kDlsDstPan = 0x0004;
constexpr std::uint16_t kDlsDstAttack = 0x0206;
constexpr std::uint16_t kDlsDstDecay = 0x0207;
constexpr std::uint16_t kDlsDstRelease = 0x0209;
constexpr std::uint16_t kDlsDstSustain = 0x020A;
constexpr std::uint16_t kDlsDstDelay = 0x020B;
constexpr std::uint16_t kDlsDstHold = 0x020C;
constexpr std::uint16_t kDlsDstCutoff = 0x0500;
constexpr std::uint16_t kDlsDstQ = 0x0501;

struct DlsBlock {
  std::uint16_t source = kDlsSrcNone;
  std::uint16_t control = kDlsSrcNone;
  std::uint16_t destination = 0;
  std::int32_t scale = 0;  // the destination's unit x 65536
};
// A constant block setting `destination` to `value` units.
inline DlsBlock Constant(std::uint16_t destination, std::int32_t value) {
  return {kDlsSrcNone, kDlsSrcNone, destination, value * 65536};
}

struct DlsWsmp {
  std::uint16_t unityNote = 60;
  std::int16_t fineTune = 0;
  std::int32_t attenuation = 0;  // centibels x 65536, negative quieter
  bool looped = false;
  std::uint32_t loopType = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopLength = 0;
  std::optional<std::uint32_t> loopCount;  // replaces the count written (0 or 1)
};

inline DlsWsmp Wsmp(std::uint16_t unityNote, std::int16_t fineTune = 0,
                    std::int32_t attenuation = 0) {
  DlsWsmp w;
  w.unityNote = unityNote;
  w.fineTune = fineTune;
  w.attenuation = attenuation;
  return w;
}
inline DlsWsmp LoopedWsmp(std::uint16_t unityNote, std::uint32_t start, std::uint32_t length,
                          std::uint32_t type = 0, std::int32_t attenuation = 0) {
  DlsWsmp w = Wsmp(unityNote, 0, attenuation);
  w.looped = true;
  w.loopType = type;
  w.loopStart = start;
  w.loopLength = length;
  return w;
}

struct DlsTestWave {
  std::string name;
  std::uint16_t formatTag = 1;
  std::uint16_t channels = 1;
  std::uint16_t bits = 16;
  std::uint32_t rate = 22050;
  Bytes data;
  std::optional<DlsWsmp> wsmp;
};

struct DlsTestRegion {
  std::uint16_t keyLow = 0, keyHigh = 127, velLow = 0, velHigh = 127;
  std::uint32_t wave = 0;  // pool table index
  std::uint16_t phaseGroup = 0;
  std::uint32_t channel = 1;
  std::optional<DlsWsmp> wsmp;
  std::optional<std::vector<DlsBlock>> articulation;
  bool withHeader = true;
  bool withLink = true;
};

inline DlsTestRegion Region(std::uint16_t keyLow, std::uint16_t keyHigh, std::uint16_t velLow,
                            std::uint16_t velHigh, std::uint32_t wave, std::uint16_t phaseGroup = 0,
                            std::uint32_t channel = 1) {
  DlsTestRegion r;
  r.keyLow = keyLow;
  r.keyHigh = keyHigh;
  r.velLow = velLow;
  r.velHigh = velHigh;
  r.wave = wave;
  r.phaseGroup = phaseGroup;
  r.channel = channel;
  return r;
}

struct DlsTestInstrument {
  std::string name;  // no INFO list when empty
  std::uint32_t bank = 0;
  std::uint32_t program = 0;
  std::vector<DlsTestRegion> regions;
  std::optional<std::vector<DlsBlock>> articulation;
};

inline Bytes DlsList(std::string_view type, const Bytes& chunks) {
  Bytes data;
  PutText(data, type);
  return Chunk("LIST", Concat({data, chunks}));
}

inline Bytes DlsValues16(const std::vector<std::int16_t>& values) {
  Bytes out;
  for (const std::int16_t v : values) PutU16(out, static_cast<std::uint16_t>(v));
  return out;
}

inline Bytes DlsWsmpChunk(const DlsWsmp& w) {
  Bytes d;
  PutU32(d, 20);
  PutU16(d, w.unityNote);
  PutU16(d, static_cast<std::uint16_t>(w.fineTune));
  PutU32(d, static_cast<std::uint32_t>(w.attenuation));
  PutU32(d, 0);  // options
  PutU32(d, w.loopCount.value_or(w.looped ? 1 : 0));
  if (w.looped) {
    for (const std::uint32_t v : {16u, w.loopType, w.loopStart, w.loopLength}) PutU32(d, v);
  }
  return Chunk("wsmp", d);
}

inline Bytes DlsArticulationList(const std::vector<DlsBlock>& blocks, std::uint32_t extra = 0) {
  Bytes d;
  PutU32(d, 8);
  PutU32(d, static_cast<std::uint32_t>(blocks.size()) + extra);
  for (const DlsBlock& b : blocks) {
    PutU16(d, b.source);
    PutU16(d, b.control);
    PutU16(d, b.destination);
    PutU16(d, 0);  // transform
    PutU32(d, static_cast<std::uint32_t>(b.scale));
  }
  return DlsList("lart", Chunk("art1", d));
}

inline Bytes DlsInfoName(std::string_view name) {
  Bytes text;
  PutText(text, name);
  text.push_back(std::byte{0});
  return DlsList("INFO", Chunk("INAM", text));
}

struct DlsBankBuilder {
  std::uint32_t AddWave(DlsTestWave wave) {
    waves.push_back(std::move(wave));
    return static_cast<std::uint32_t>(waves.size() - 1);
  }

  Bytes Build() const {
    Bytes lins;
    for (const DlsTestInstrument& ins : instruments) {
      Bytes regions;
      for (const DlsTestRegion& r : ins.regions) {
        Bytes body;
        if (r.withHeader) {
          // keyLow, keyHigh, velLow, velHigh, options, key group
          const Bytes h = ValuesLE16({r.keyLow, r.keyHigh, r.velLow, r.velHigh, 0, 0});
          body = Concat({body, Chunk("rgnh", h)});
        }
        if (r.wsmp) body = Concat({body, DlsWsmpChunk(*r.wsmp)});
        if (r.withLink) {
          Bytes l;
          PutU16(l, 0);
          PutU16(l, r.phaseGroup);
          PutU32(l, r.channel);
          PutU32(l, r.wave);
          body = Concat({body, Chunk("wlnk", l)});
        }
        if (r.articulation) body = Concat({body, DlsArticulationList(*r.articulation)});
        regions = Concat({regions, DlsList("rgn ", body)});
      }
      Bytes header;
      PutU32(header, static_cast<std::uint32_t>(ins.regions.size()));
      PutU32(header, ins.bank);
      PutU32(header, ins.program);
      Bytes body = ins.name.empty() ? Bytes{} : DlsInfoName(ins.name);
      body = Concat({body, Chunk("insh", header), DlsList("lrgn", regions)});
      if (ins.articulation) body = Concat({body, DlsArticulationList(*ins.articulation)});
      lins = Concat({lins, DlsList("ins ", body)});
    }
    Bytes pool;
    std::vector<std::uint32_t> offsets;
    for (const DlsTestWave& w : waves) {
      offsets.push_back(static_cast<std::uint32_t>(pool.size()));
      Bytes fmt;
      PutU16(fmt, w.formatTag);
      PutU16(fmt, w.channels);
      PutU32(fmt, w.rate);
      const std::uint32_t align = w.channels * (w.bits / 8u);
      PutU32(fmt, w.rate * align);
      PutU16(fmt, static_cast<std::uint16_t>(align));
      PutU16(fmt, w.bits);
      Bytes body = Concat(
          {Chunk("fmt ", fmt), w.wsmp ? DlsWsmpChunk(*w.wsmp) : Bytes{}, Chunk("data", w.data)});
      if (!w.name.empty()) body = Concat({body, DlsInfoName(w.name)});
      pool = Concat({pool, DlsList("wave", body)});
    }
    Bytes ptbl;
    const std::vector<std::uint32_t>& written = cues ? *cues : offsets;
    PutU32(ptbl, 8);
    PutU32(ptbl, static_cast<std::uint32_t>(written.size()));
    for (const std::uint32_t c : written) PutU32(ptbl, c);
    Bytes colh;
    PutU32(colh, static_cast<std::uint32_t>(instruments.size()));
    return Riff("DLS ", {Chunk("colh", colh), DlsList("lins", lins), Chunk("ptbl", ptbl),
                         withPool ? DlsList("wvpl", pool) : Bytes{}, DlsInfoName("Test Bank")});
  }

  std::vector<DlsTestWave> waves;
  std::vector<DlsTestInstrument> instruments;
  std::optional<std::vector<std::uint32_t>> cues;  // replaces the pool table's offsets
  bool withPool = true;
};

}  // namespace tolvane::testing
