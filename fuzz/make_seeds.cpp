// Writes small valid files of every kind the fuzzers read, as their seed corpora:
//   make_fuzz_seeds DIR   ->  DIR/import, DIR/sifi, DIR/database, DIR/sfz, DIR/dls, DIR/decent,
//                             DIR/zip, DIR/bitwig, DIR/hydrogen, DIR/exs, DIR/mpc

#include <cstdio>
#ifdef TOLVANE_SNDFILE
#include <sndfile.h>
#endif
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "library/library.h"
#include "tests/import/dls_builder.h"
#include "tests/import/exs/exs_writer.h"
#include "tests/import/riff_builder.h"
#include "tests/import/soundfont_builder.h"
#include "tests/import/vorbis_encoder.h"
#include "tests/import/zip_builder.h"

namespace {

using namespace tolvane;
using namespace tolvane::testing;
namespace fs = std::filesystem;

void Save(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Ramp(std::size_t bytes) {
  Bytes out(bytes);
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::byte>(i * 37);
  return out;
}

std::vector<std::int16_t> Ramp16(std::size_t count) {
  std::vector<std::int16_t> values(count);
  for (std::size_t i = 0; i < count; ++i)
    values[i] = static_cast<std::int16_t>(static_cast<int>((i * 1237) % 20000) - 10000);
  return values;
}

// A list chunk: "LIST", size, type, sub-chunks.
Bytes List(std::string_view type, std::initializer_list<Bytes> chunks) {
  Bytes body;
  PutText(body, type);
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return Chunk("LIST", body);
}

Bytes Name20(std::string_view name) {
  Bytes out;
  PutText(out, name.substr(0, 20));
  out.resize(20, std::byte{0});
  return out;
}

Bytes SamplerChunk(std::uint32_t note, std::uint32_t loopStart, std::uint32_t loopEnd) {
  Bytes d(60, std::byte{0});
  StoreU32(&d[12], note);
  StoreU32(&d[28], 1);
  StoreU32(&d[44], loopStart);
  StoreU32(&d[48], loopEnd);
  return Chunk("smpl", d);
}

// A WAVE_FORMAT_EXTENSIBLE "fmt " chunk whose sub-format is `subTag`.
Bytes ExtensibleFormat(std::uint16_t channels, std::uint16_t bits, std::uint16_t subTag) {
  Bytes fmt = FormatChunk(channels, 44100, bits, 40, 0xFFFE);
  std::byte* field = fmt.data() + 8;
  StoreU16(field + 16, 22);
  StoreU16(field + 24, subTag);
  const std::uint8_t tail[] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                               0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  for (std::size_t i = 0; i < sizeof tail; ++i) field[28 + i] = std::byte{tail[i]};
  return fmt;
}

std::vector<Bytes> WaveSeeds() {
  return {
      Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", Ramp(64)), SamplerChunk(57, 4, 30)}),
      Riff("WAVE", {FormatChunk(2, 22050, 16), Chunk("data", Ramp(48))}),
      Riff("WAVE", {FormatChunk(3, 48000, 24), Chunk("data", Ramp(54))}),
      Concat({Riff("WAVE", {FormatChunk(1, 8000, 8), Chunk("data", Ramp(15))}),
              List("INFO", {Chunk("INAM", Ramp(5))})}),
      // IEEE float of 32 and 64 bits, A-law, mu-law, and the extensible forms.
      Riff("WAVE", {FormatChunk(1, 44100, 32, 16, 3), Chunk("data", Ramp(64))}),
      Riff("WAVE", {FormatChunk(2, 44100, 64, 16, 3), Chunk("data", Ramp(64))}),
      Riff("WAVE", {FormatChunk(1, 8000, 8, 16, 6), Chunk("data", Ramp(33))}),
      Riff("WAVE", {FormatChunk(2, 8000, 8, 16, 7), Chunk("data", Ramp(32))}),
      Riff("WAVE", {ExtensibleFormat(2, 32, 3), Chunk("data", Ramp(64)),
                    SamplerChunk(200, 0x40000000, 0x7FFFFFFF)}),
      Riff("WAVE", {ExtensibleFormat(1, 24, 1), Chunk("data", Ramp(63))}),
      // A compressed format, and an odd data chunk last without its pad byte.
      Riff("WAVE", {FormatChunk(1, 44100, 0, 20, 0x55), Chunk("data", Ramp(40))}),
      Riff("WAVE", {FormatChunk(1, 8000, 16), Chunk("data", Ramp(17), false)}),
  };
}

// One instrument with a mono zone and a linked left/right pair, and one with a global zone.
Bytes SoundFontSeed() {
  Bytes inst = Concat({Name20("Piano"), ValuesLE16({0}), Name20("Pad"), ValuesLE16({3}),
                       Name20("EOI"), ValuesLE16({5})});
  // Bags: Piano (mono, left, right), Pad (global, mono), terminal.
  Bytes ibag = ValuesLE16({0, 0, 3, 0, 7, 0, 11, 0, 12, 0, 15, 0});
  Bytes igen = ValuesLE16({43, 0x3C00, 17, 0,
                           53, 0,  // keys 0..60, mono sample 0
                           43, 0x7F3D, 17, static_cast<std::uint16_t>(-500),
                           53, 1,      54, 1,  // left of the pair
                           43, 0x7F3D, 17, 500,
                           53, 2,      54, 1,  // right of the pair
                           8,  9000,           // global zone
                           43, 0x7F00, 48, 100,
                           53, 0,  // mono again
                           0,  0});
  const auto header = [](std::string_view name, std::uint32_t start, std::uint32_t end,
                         std::uint16_t link, std::uint16_t type) {
    Bytes h = Name20(name);
    PutU32(h, start);
    PutU32(h, end);
    PutU32(h, start + 2);
    PutU32(h, end - 2);
    PutU32(h, 44100);
    h.push_back(std::byte{60});
    h.push_back(std::byte{0});
    PutU16(h, link);
    PutU16(h, type);
    return h;
  };
  Bytes shdr = Concat({header("Mono", 0, 20, 0, 1), header("Left", 66, 86, 2, 4),
                       header("Right", 132, 152, 1, 2), header("EOS", 0, 0, 0, 0)});
  Bytes ifil = ValuesLE16({2, 1});
  return Riff(
      "sfbk",
      {List("INFO", {Chunk("ifil", ifil), Chunk("INAM", Ramp(0))}),
       List("sdta", {Chunk("smpl", Ramp(2 * 200))}),
       List("pdta", {Chunk("phdr", Bytes(38)), Chunk("pbag", Bytes(4)), Chunk("pmod", Bytes(10)),
                     Chunk("pgen", Bytes(4)), Chunk("inst", inst), Chunk("ibag", ibag),
                     Chunk("imod", Bytes(10)), Chunk("igen", igen), Chunk("shdr", shdr)})});
}

// A compressed bank (SoundFont 3): a looped mono stream, and a pair of a compressed left and a
// plain right channel.
Bytes CompressedSoundFontSeed() {
  const std::vector<std::int16_t> tone = Ramp16(600);
  const std::vector<std::byte> stream = EncodeVorbis(tone, 22050, 1, 0.0F);
  BankBuilder b;
  const auto mono = b.AddCompressedData("Mono", stream, 100, 500);
  const auto left = b.AddCompressedData("Left", stream, 0, 600, kLeft, 2);
  b.AddSampleValues("Right", tone, 0, 600, kRight, left);
  b.AddInstrument("Lead");
  b.AddZone(mono, {{kKeyRange, Range(0, 60)}, {kSampleModes, 1}});
  b.AddInstrument("Pad");
  b.AddZone(left, {{kPan, Amount(-500)}});
  b.AddZone(2, {{kPan, Amount(500)}});
  b.Finish();
  return b.Build();
}

// Presets over both levels' global zones: a kit of two pieces, one of them stereo, on bank 128,
// and a melodic preset on part of the kick's keys; compressed and plain samples.
Bytes PresetSeed() {
  const std::vector<std::int16_t> tone = Ramp16(600);
  BankBuilder b;
  const auto kick = b.AddCompressedData("Kick", EncodeVorbis(tone, 22050, 1, 0.0F), 0, 600);
  const auto left = b.AddSampleValues("SnareL", tone, 0, 600, kLeft, 2);
  b.AddSampleValues("SnareR", tone, 0, 600, kRight, left);
  const auto kickRecord = b.AddInstrument("Kick");
  b.AddBag();
  b.AddGenerator(kAttackVolEnv, Amount(-1200));  // the record's global zone
  b.AddZone(kick, {{kKeyRange, Range(35, 36)}});
  const auto snareRecord = b.AddInstrument("Snare");
  b.AddZone(left, {{kKeyRange, Range(38, 40)}, {kPan, Amount(-500)}});
  b.AddZone(2, {{kKeyRange, Range(38, 40)}, {kPan, 500}});
  b.AddPreset("Standard", 128, 0);
  b.AddPresetBag();
  b.AddPresetGenerator(kAttenuation, 60);  // the preset's global zone
  b.AddPresetZone(kickRecord, {{kVelRange, Range(10, 127)}});
  b.AddPresetZone(snareRecord, {{kCoarseTune, Amount(-2)}});
  b.AddPreset("Boom", 0, 116);
  b.AddPresetZone(kickRecord, {{kKeyRange, Range(0, 35)}, {kFineTune, 20}});
  b.Finish();
  return b.Build();
}

// Two instruments sharing a sample, and one stereo instrument of its own.
std::vector<Bytes> SiFiSeeds() {
  Library library;
  Source& source = CreateSource(library, "seed.sf2");
  const Bytes data = Ramp(400);
  const auto sample = [&](Instrument& i, std::string_view name, std::uint32_t channels,
                          std::size_t offset) {
    SampleRequest r;
    r.name = name;
    r.sampleRate = 44100;
    r.channels = channels;
    r.key = {offset, 0};
    r.frames = 50 / channels;
    r.loopStart = 2;
    r.loopEnd = 20;
    r.rootKey = 60;
    return AddSample(i, r, SampleData::FromLittleEndian(std::span(data).subspan(offset, 100), 50));
  };
  std::vector<Instrument*> added;
  for (const char* name : {"Bass", "Bass Soft", "Strings"}) {
    auto instrument = CreateInstrument(source, name, name, SoundIdHash(name));
    Zone zone;
    const bool stereo = std::string_view(name) == "Strings";
    zone.sample = sample(*instrument, stereo ? "Str" : "Shared", stereo ? 2 : 1, stereo ? 200 : 0);
    zone.mapping.flags = stereo ? ZoneStereo : ZoneLoop;
    zone.mapping.keyHigh = 90;
    AddZone(*instrument, zone);
    zone.mapping.keyLow = 91;
    zone.mapping.keyHigh = 127;
    AddZone(*instrument, zone);
    AverageInstrument(*instrument);
    added.push_back(&AddInstrument(library, std::move(instrument)));
  }
  std::vector<Bytes> seeds;
  for (const auto& members : {std::vector<Instrument*>{added[0]}, added}) {
    auto set = CreateExportSet();
    for (Instrument* i : members) AddInstrumentToExportSet(*set, *i);
    Bytes file;
    SerializeExportSet(*set, file);
    seeds.push_back(file);
  }
  return seeds;
}

Bytes Text(std::string_view text) {
  Bytes out;
  PutText(out, text);
  return out;
}

#ifdef TOLVANE_SNDFILE
// One second of a tone in each sample file format, written by libsndfile, with the AIFF file's
// loop and root key.
void SaveSampleFileSeeds(const fs::path& folder) {
  struct Kind {
    const char* name;
    int format;
  };
  const Kind kinds[] = {{"seed.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                        {"seed24.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
                        {"seed.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                        {"seed.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}};
  for (const Kind& kind : kinds) {
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = kind.format;
    SNDFILE* file = sf_open((folder / kind.name).c_str(), SFM_WRITE, &info);
    if (file == nullptr) continue;
    SF_INSTRUMENT instrument{};
    instrument.basenote = 57;
    instrument.velocity_hi = instrument.key_hi = 127;
    instrument.loop_count = 1;
    instrument.loops[0].mode = SF_LOOP_FORWARD;
    instrument.loops[0].start = 100;
    instrument.loops[0].end = 400;
    sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
    std::vector<short> tone(800);
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<short>(8000 * ((i / 10) % 2 == 0 ? 1 : -1));
    sf_writef_short(file, tone.data(), static_cast<sf_count_t>(tone.size()));
    sf_close(file);
  }
}
#endif

// Two instruments: a stereo pair with an envelope, and an 8-bit wave with its own loop.
Bytes DlsSeed() {
  DlsBankBuilder b;
  std::vector<std::int16_t> ramp(64);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::int16_t>(i * 300);
  b.AddWave({"L", 1, 1, 16, 22050, DlsValues16(ramp), LoopedWsmp(60, 8, 40)});
  b.AddWave({"R", 1, 1, 16, 22050, DlsValues16(ramp), LoopedWsmp(60, 8, 40)});
  b.AddWave({"Byte", 1, 1, 8, 11025, Ramp(48), Wsmp(64, -30, -65536 * 20)});
  DlsTestInstrument pad{
      "Pad",
      0,
      1,
      {},
      std::vector<DlsBlock>{Constant(kDlsDstAttack, -1200),
                            Constant(kDlsDstSustain, 500),
                            {kDlsSrcKey, kDlsSrcNone, kDlsDstDecay, -65536 * 1280},
                            {kDlsSrcLfo, kDlsSrcNone, kDlsDstPitch, 65536 * 20}}};
  pad.regions = {Region(0, 127, 0, 127, 0, 1, 1), Region(0, 127, 0, 127, 1, 1, 2)};
  DlsTestInstrument kit{"", 0x80000000u, 0, {Region(36, 36, 0, 0, 2)}, {}};
  kit.regions[0].wsmp = LoopedWsmp(36, 4, 20);
  kit.regions[0].articulation = std::vector<DlsBlock>{Constant(kDlsDstCutoff, 7000)};
  b.instruments = {pad, kit};
  return b.Build();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace std::string_view_literals;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
    return 2;
  }
  const fs::path root = argv[1];
  for (const char* corpus : {"import", "sifi", "database", "sfz", "dls", "decent", "zip", "bitwig",
                             "hydrogen", "presets", "exs", "mpc"})
    fs::create_directories(root / corpus);

  int n = 0;
  for (const Bytes& wave : WaveSeeds())
    Save(root / "import" / ("wave" + std::to_string(n++)), wave);
  Save(root / "import" / "bank.sf2", SoundFontSeed());
  Save(root / "import" / "bank.sf3", CompressedSoundFontSeed());
  Save(root / "import" / "bank.dls", DlsSeed());
  Save(root / "dls" / "bank.dls", DlsSeed());
  Save(root / "presets" / "kit.sf2", PresetSeed());
  Save(root / "presets" / "bank.sf2", SoundFontSeed());
  // A link whose headers break off after an intact one: libvorbisfile 1.3.7 leaked on it when it
  // could seek, so a leak of its that comes back shows in the first run.
  Save(root / "import" / "broken-link.ogg", EncodeVorbisWithBrokenLink(Ramp16(600), 22050));
  n = 0;
  for (const Bytes& sifi : SiFiSeeds()) {
    Save(root / "import" / ("sifi" + std::to_string(n)), sifi);
    Save(root / "sifi" / ("sifi" + std::to_string(n++)), sifi);
  }
#ifdef TOLVANE_SNDFILE
  SaveSampleFileSeeds(root / "import");
#endif
  Save(root / "sfz" / "drums",
       Text("// kit\n#define $KIT Drums\n<control> default_path=Samples\\ set_cc64=0\n"
            "<global> volume=-3 ampeg_release=0.3 <group> lovel=1 hivel=127 sw_default=c1\n"
            "<region> sample=$KIT/Kick 1.wav key=36 sw_last=c1 tune=-20 transpose=1\n"
            "<region> sample=stereo pad.flac lokey=c#4 hikey=g5 pitch_keycenter=60 "
            "loop_mode=loop_continuous loop_start=4 loop_end=30 cutoff=800 resonance=3\n"
            "<region> sample=missing.wav key=38 seq_position=2 <region> sample=loop.ogg "
            "trigger=release <region> sample=loop.aif locc64=0 hicc64=63 pan=-30 offset=5 "
            "ampeg_sustain=40 #include \"more.sfz\" /* block */\n"
            "<curve> v000=0\0<region> sample=b.wav key=d4 volume=2 lorand=0 hirand=0.5\n"sv));
  Save(root / "decent" / "piano",
       Text("<?xml version=\"1.0\"?><DecentSampler minVersion=\"1.0.0\"><ui><knob x=\"1\"/>"
            "</ui><groups volume=\"-3dB\" globalTuning=\"0.5\" seqMode=\"round_robin\" "
            "attack=\"0.01\" sustain=\"70\"><group volume=\"0.8\" groupTuning=\"\" "
            "seqLength=\"2\" pan=\"-20\"><sample path=\"Samples\\C3.wav\" rootNote=\"48\" "
            "loNote=\"0\" hiNote=\"52\" loVel=\"1\" hiVel=\"100\" seqPosition=\"1\" "
            "start=\"4\" end=\"50\" tuning=\"-0.25\"/><sample path=\"loop stereo.flac\" "
            "rootNote=\"60\" seqPosition=\"2\" loopEnabled=\"true\" loopStart=\"2\" "
            "loopEnd=\"30\"/></group><group enabled=\"false\"><sample path=\"b.wav\"/>"
            "</group><group trigger=\"release\" volume=\"2\"><sample path=\"../missing.aif\" "
            "rootNote=\"60\"/><sample path=\"../../x.wav\"/></group></groups>"
            "<effects/></DecentSampler>"sv));
  Save(root / "decent" / "broken-ui",
       Text("<DecentSampler><ui><tab x=\"1\"y=\"2\" t=\"&and;\"></ui></tab><groups>"
            "<group><sample path=\"a.wav\" rootNote=\"60\" volume=\"6dB\"/></group></groups>"
            "<midi><cc></midi></DecentSampler>"sv));
  const std::string_view mapping =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<multisample name=\"Organ\">\n"
      "<generator>Bitwig Studio</generator><category>Organ</category><creator>x</creator>\n"
      "<group name=\"g\" color=\"d92e24\"/>\n"
      "<sample file=\"Samples/C3.wav\" sample-start=\"2.5\" sample-stop=\"40\" gain=\"-3\" "
      "group=\"0\" reverse=\"false\" zone-logic=\"round-robin\">\n"
      "<key root=\"60\" track=\"1\" tune=\"-0.25\" low=\"0\" high=\"62\"/>"
      "<velocity low=\"1\" high=\"127\"/><select low=\"1\" high=\"127\"/>"
      "<loop mode=\"loop\" start=\"4\" stop=\"30\" fade=\"0.1\"/></sample>\n"
      "<sample file=\"Samples/E3 stereo.wav\" gain=\"2\" reverse=\"true\">"
      "<key root=\"64\" low=\"63\" high=\"127\" track=\"0\"/>"
      "<loop mode=\"ping-pong\"/></sample>\n"
      "<sample file=\"missing.wav\"/></multisample>\n"sv;
  Save(root / "bitwig" / "organ", Text(mapping));
  using tolvane::testing::MakeZip;
  using tolvane::testing::TestWave;
  Save(root / "zip" / "stored.multisample",
       MakeZip({{"multisample.xml", Text(mapping), false},
                {"Samples/C3.wav", TestWave(50), false},
                {"Samples/E3 stereo.wav", TestWave(30, 2, 4, 20), false}}));
  Save(root / "zip" / "deflated.multisample", MakeZip({{"multisample.xml", Text(mapping), true},
                                                       {"samples/c3.WAV", TestWave(50), true},
                                                       {"Samples/", {}, false},
                                                       {"../up.wav", TestWave(8), false}}));
  // The three forms of Hydrogen kit: one filename, layers under the instrument, components.
  Save(root / "hydrogen" / "oldest",
       Text("<drumkit_info><name>Old</name><instrumentList><instrument><id>0</id>"
            "<filename>kick.flac</filename><volume>0.5</volume><isMuted>false</isMuted>"
            "<pan_L>1</pan_L><pan_R>0.5</pan_R></instrument><instrument><id>1</id>"
            "<filename>missing.flac</filename><isMuted>true</isMuted></instrument>"
            "</instrumentList></drumkit_info>"));
  Save(root / "hydrogen" / "older",
       Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<drumkit_info><name>Layers</name>"
            "<instrumentList><instrument><id>0</id><volume>0.8</volume><gain>1.5</gain>"
            "<pan_L>0.4</pan_L><pan_R>1</pan_R><layer><filename>soft.wav</filename><min>0</min>"
            "<max>0.31</max><gain>1</gain><pitch>-2.5</pitch></layer><layer>"
            "<filename>../out.wav</filename><min>0.3</min><max>0.7</max></layer><layer>"
            "<filename>stereo hard.wav</filename><min>0.72</min><max>1</max></layer>"
            "</instrument></instrumentList></drumkit_info>"));
  Save(root / "hydrogen" / "newer",
       Text("<?xml version='1.0'?>\n<!-- kit -->\n<drumkit_info "
            "xmlns=\"http://www.hydrogen-music.org/drumkit\"><name>New</name><instrumentList>"
            "<instrument><id>3</id><pan>-0.3</pan><pitchOffset>1</pitchOffset>"
            "<sampleSelectionAlgo>ROUND_ROBIN</sampleSelectionAlgo><instrumentComponent>"
            "<component_id>0</component_id><gain>0.5</gain><layer><filename>a\\hat.wav"
            "</filename><min>0.4</min><max>0.6</max></layer><layer><filename>b.wav</filename>"
            "<min>0</min><max>1</max></layer><layer><filename>c.wav</filename><min>0</min>"
            "<max>1</max></layer></instrumentComponent></instrument></instrumentList>"
            "</drumkit_info>"));
  // EXS instruments in both byte orders and both generations of chunk sizes: groups with
  // ranges, a round-robin cycle, a release trigger, loops, a one-shot, a missing sample, an
  // unknown chunk and the parameter chunk.
  for (const bool big : {false, true}) {
    using tolvane::testing::ExsContents;
    ExsContents contents{
        .big = big, .oldSizes = big, .sizeBit15 = big, .typeFlags = big, .unknownChunk = true};
    contents.groups = {{.volume = -3, .keyLow = 36, .keyHigh = 72},
                       {.linked = -1, .select = 2},
                       {.linked = 1, .select = 2},
                       {.velLow = 90, .trigger = 1}};
    contents.zones = {{.fine = -10,
                       .pan = 20,
                       .volume = 3,
                       .keyLow = 30,
                       .keyHigh = 50,
                       .start = 2,
                       .end = 40,
                       .loopStart = 4,
                       .loopEnd = 30,
                       .loopFlags = 1,
                       .coarse = 1,
                       .group = 0,
                       .sample = 0},
                      {.flags = 1 | 8, .velHigh = 90, .group = 1, .sample = 1},
                      {.flags = 2 | 4, .group = 2, .sample = 1},
                      {.loopFlags = 1, .direction = 2, .group = 3},
                      {.sample = 2}};
    contents.samples = {{.file = "a.wav", .folder = "/Users/paul/Samples", .url = "file:///a.wav"},
                        {.file = "b.caf"},
                        {.file = "missing.aif"}};
    contents.parameters = true;
    contents.values = {{0x07, -6}, {0x52, 20}, {0x51, 100}, {0x2C, 1}, {0x1E, 600}, {0x16D, 2}};
    Save(root / "exs" / (big ? "big.exs" : "little.exs"), tolvane::testing::WriteExs(contents));
    Save(root / "import" / (big ? "big.exs" : "little.exs"), tolvane::testing::WriteExs(contents));
  }
  Save(root / "import" / "drumkit.xml",
       Text("<drumkit_info><name>K</name><instrumentList><instrument><filename>k.wav"
            "</filename></instrument></instrumentList></drumkit_info>"));
  // MPC programs: a 2.1 keygroup with velocity layers, slices and a loop, a 3.x keygroup with 8
  // layers, a field twice and a Keygroup XL section, a drum kit with a PadNoteMap and cycling
  // layers; and an expansion holding one of them with its samples and a preview.
  const std::string_view keygroup =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MPCVObject><Version><File_Version>2.1"
      "</File_Version><Application>MPC-V</Application></Version><Program type=\"Keygroup\">"
      "<ProgramName>Keys</ProgramName><ProgramPads>{}</ProgramPads><Volume>0.707946</Volume>"
      "<TuneCoarse>-1</TuneCoarse><Instruments><Instrument number=\"1\"><LowNote>0</LowNote>"
      "<HighNote>63</HighNote><ZonePlay>1</ZonePlay><FilterType>2</FilterType><Cutoff>0.5"
      "</Cutoff><VolumeAttack>0.1</VolumeAttack><VolumeRelease>0.6</VolumeRelease><Layers>"
      "<Layer number=\"1\"><Active>True</Active><Volume>2.0</Volume><Pan>0.3</Pan><Pitch>0.25"
      "</Pitch><SampleName>a</SampleName><VelStart>0</VelStart><VelEnd>64</VelEnd><RootNote>61"
      "</RootNote><SliceIndex>129</SliceIndex><SliceStart>4</SliceStart><SliceEnd>60</SliceEnd>"
      "<SliceLoop>1</SliceLoop><SliceLoopStart>10</SliceLoopStart></Layer><Layer number=\"2\">"
      "<Active>True</Active><SampleName>Snare </SampleName><VelStart>65</VelStart><VelEnd>127"
      "</VelEnd><SliceIndex>3</SliceIndex><Direction>1</Direction></Layer><Layer number=\"3\">"
      "<SampleName>../up</SampleName></Layer><Layer number=\"4\"><SampleName>missing"
      "</SampleName></Layer></Layers></Instrument><Instrument number=\"2\"><LowNote>64"
      "</LowNote><OneShot>True</OneShot><Layers><Layer number=\"1\"><SampleName>loop"
      "</SampleName><Loop>True</Loop><LoopStart>2</LoopStart><LoopEnd>40</LoopEnd></Layer>"
      "</Layers></Instrument></Instruments><PadNoteMap><PadNote number=\"1\"><Note>0</Note>"
      "</PadNote></PadNoteMap><KeygroupNumKeygroups>2</KeygroupNumKeygroups></Program>"
      "</MPCVObject>\n"sv;
  Save(root / "mpc" / "keygroup", Text(keygroup));
  std::string layers;
  for (int layer = 1; layer <= 8; ++layer) {
    layers += "<Layer number=\"" + std::to_string(layer) + "\"><Active>True</Active><SampleName>" +
              (layer <= 2 ? "stereo pad" : "") + "</SampleName><VelStart>" +
              std::to_string(layer == 2 ? 100 : 0) + "</VelStart><VelEnd>127</VelEnd></Layer>";
  }
  Save(root / "mpc" / "xl",
       Text("<MPCVObject><Version><File_Version>2.1</File_Version></Version><Program "
            "type=\"Keygroup\"><ProgramName>XL</ProgramName><ProgramPads-v2.10>{}"
            "</ProgramPads-v2.10><KeygroupLegacyMode>False</KeygroupLegacyMode><SynthSection>"
            "<VolumeADEnvelope>True</VolumeADEnvelope><FilterType>11</FilterType></SynthSection>"
            "<Instruments><Instrument number=\"1\"><TriggerMode>0</TriggerMode><Resonance2>0.1"
            "</Resonance2><Resonance2>0.2</Resonance2><Layers>" +
            layers + "</Layers></Instrument></Instruments></Program></MPCVObject>"));
  const std::string_view drum =
      "<MPCVObject><Version><File_Version>2.1</File_Version></Version><Program type=\"Drum\">"
      "<ProgramName>Kit</ProgramName><Instruments><Instrument number=\"1\"><ZonePlay>0"
      "</ZonePlay><OneShot>True</OneShot><Layers><Layer number=\"1\"><SampleName>Kick"
      "</SampleName></Layer><Layer number=\"2\"><SampleName>a</SampleName></Layer></Layers>"
      "</Instrument><Instrument number=\"40\"><Layers><Layer number=\"1\"><SampleName>kick"
      "</SampleName></Layer></Layers></Instrument><Instrument number=\"200\"/></Instruments>"
      "<PadNoteMap><PadNote number=\"1\"><Note>36</Note></PadNote></PadNoteMap></Program>"
      "</MPCVObject>"sv;
  Save(root / "mpc" / "drum", Text(drum));
  Save(root / "mpc" / "expansion.xpn",
       MakeZip({{"Expansion.xml", Text("<expansion><title>E</title></expansion>"sv), false},
                {"Drum Kits/Kit.xpm", Text(drum), true},
                {"Drum Kits/Samples/kick.WAV", TestWave(40), false},
                {"a.wav", TestWave(30, 2, 4, 20), true},
                {"[Previews]/Kit.xpm.wav", TestWave(8), false}}));
  Save(root / "database" / "plain",
       Text("[Drums]\r\nKick 1=0;KT;\r\nSnare 1=7;SE;my note\r\n[Strings]\r\n"));
  Save(root / "database" / "odd",
       Text("Kick=1;KC;\n[drums]\nKICK=2;;\n[DRUMS]\nClap 1=x;PC;t;u\n[]\nLost=1;AB;\n"
            "[abc\nA=3;P;\n[b]c]\n=5;xy;\n"));
  return 0;
}
