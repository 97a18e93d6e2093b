#include "import/mpc/mpc_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include <pugixml.hpp>

namespace tolvane {
namespace {

std::string_view Trim(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<double> Number(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// The first child element of that name: programs write some elements twice (Resonance2).
std::optional<double> Number(const pugi::xml_node& node, const char* name) {
  const pugi::xml_node child = node.child(name);
  if (!child) return std::nullopt;
  return Number(child.child_value());
}

void Read(const pugi::xml_node& node, const char* name, double& out) {
  if (const auto value = Number(node, name)) out = *value;
}

// Integers far out of range are clamped where they are used; here only to what an int holds.
void Read(const pugi::xml_node& node, const char* name, int& out) {
  if (const auto value = Number(node, name))
    out = static_cast<int>(std::clamp(std::round(*value), -1.0e9, 1.0e9));
}

std::optional<bool> Flag(const pugi::xml_node& node, const char* name) {
  const pugi::xml_node child = node.child(name);
  if (!child) return std::nullopt;
  const std::string_view text = Trim(child.child_value());
  if (text == "True" || text == "true" || text == "1") return true;
  if (text == "False" || text == "false" || text == "0") return false;
  return std::nullopt;
}

// Pitch in semitones where written, else whole semitones and cents.
double Semitones(const pugi::xml_node& node) {
  if (const auto pitch = Number(node, "Pitch")) return *pitch;
  double coarse = 0;
  double fine = 0;
  Read(node, "TuneCoarse", coarse);
  Read(node, "TuneFine", fine);
  return coarse + fine / 100;
}

MpcSynth ReadSynth(const pugi::xml_node& node) {
  MpcSynth synth;
  Read(node, "FilterType", synth.filterType);
  Read(node, "Cutoff", synth.cutoff);
  Read(node, "Resonance", synth.resonance);
  synth.attack = Number(node, "VolumeAttack");
  synth.hold = Number(node, "VolumeHold");
  synth.decay = Number(node, "VolumeDecay");
  synth.sustain = Number(node, "VolumeSustain");
  synth.release = Number(node, "VolumeRelease");
  synth.attackDecayOnly = Flag(node, "VolumeADEnvelope").value_or(false);
  return synth;
}

MpcLayer ReadLayer(const pugi::xml_node& node) {
  MpcLayer layer;
  layer.active = Flag(node, "Active").value_or(true);
  layer.mute = Flag(node, "Mute").value_or(false);
  layer.sampleName = node.child("SampleName").child_value();
  layer.sampleFile = node.child("SampleFile").child_value();
  Read(node, "VelStart", layer.velStart);
  Read(node, "VelEnd", layer.velEnd);
  Read(node, "Volume", layer.volume);
  Read(node, "Pan", layer.pan);
  layer.semitones = Semitones(node);
  Read(node, "RootNote", layer.rootNote);
  Read(node, "SliceIndex", layer.sliceIndex);
  layer.sliceStart = Number(node, "SliceStart");
  layer.sliceEnd = Number(node, "SliceEnd");
  if (const auto loop = Number(node, "SliceLoop"))
    layer.sliceLoop = static_cast<int>(std::clamp(*loop, -1.0e9, 1.0e9));
  Read(node, "SliceLoopStart", layer.sliceLoopStart);
  Read(node, "SampleStart", layer.sampleStart);
  Read(node, "SampleEnd", layer.sampleEnd);
  layer.loop = Flag(node, "Loop");
  Read(node, "LoopStart", layer.loopStart);
  Read(node, "LoopEnd", layer.loopEnd);
  int direction = 0;
  Read(node, "Direction", direction);
  layer.reverse = direction == 1;
  return layer;
}

MpcLayerPlay LayerPlay(const pugi::xml_node& node) {
  int play = 1;
  Read(node, "ZonePlay", play);
  switch (play) {
    case 0:
      return MpcLayerPlay::Cycle;
    case 1:
      return MpcLayerPlay::Velocity;
    case 2:
      return MpcLayerPlay::Random;
    default:
      return MpcLayerPlay::Unknown;
  }
}

MpcInstrument ReadInstrument(const pugi::xml_node& node) {
  MpcInstrument instrument;
  instrument.number = node.attribute("number").as_int(0);
  Read(node, "LowNote", instrument.lowNote);
  Read(node, "HighNote", instrument.highNote);
  instrument.play = LayerPlay(node);
  // 3.x replaced the flag by a mode whose 0 is one-shot.
  if (const auto trigger = Number(node, "TriggerMode"))
    instrument.oneShot = *trigger == 0;
  else
    instrument.oneShot = Flag(node, "OneShot").value_or(false);
  Read(node, "Volume", instrument.volume);
  Read(node, "Pan", instrument.pan);
  instrument.semitones = Semitones(node);
  instrument.synth = ReadSynth(node);
  for (const pugi::xml_node layer : node.child("Layers").children("Layer"))
    instrument.layers.push_back(ReadLayer(layer));
  return instrument;
}

MpcProgramType TypeOf(std::string_view type) {
  if (type == "Keygroup") return MpcProgramType::Keygroup;
  if (type == "Drum") return MpcProgramType::Drum;
  return MpcProgramType::Other;
}

}  // namespace

bool IsGzip(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
         static_cast<unsigned char>(bytes[1]) == 0x8B;
}

MpcReading ReadMpcProgram(std::string_view text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    return {std::nullopt, std::string("not well-formed XML: ") + parsed.description() +
                              " at byte " + std::to_string(parsed.offset)};
  }
  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "MPCVObject") return {std::nullopt, "no <MPCVObject> root"};
  // <Version> is not needed: some writers make it an attribute, and it changes nothing read.
  const pugi::xml_node node = root.child("Program");
  if (!node) return {std::nullopt, "no <Program> element"};
  MpcProgram program;
  program.typeName = node.attribute("type").value();
  program.type = TypeOf(program.typeName);
  program.name = node.child("ProgramName").child_value();
  if (program.name.empty()) program.name = node.child("Name").child_value();
  Read(node, "Volume", program.volume);
  Read(node, "Pan", program.pan);
  program.semitones = Semitones(node);
  if (const auto count = Number(node, "KeygroupNumKeygroups"))
    program.keygroups = static_cast<int>(std::clamp(*count, -1.0e9, 1.0e9));
  for (const pugi::xml_node pad : node.child("PadNoteMap").children("PadNote")) {
    const int number = pad.attribute("number").as_int(0);
    if (const auto note = Number(pad, "Note"))
      program.padNotes.emplace(number, static_cast<int>(std::clamp(*note, -1.0, 1000.0)));
  }
  const bool legacy = Flag(node, "KeygroupLegacyMode").value_or(true);
  const pugi::xml_node synth = node.child("SynthSection");
  if (synth && (!legacy || Flag(node, "AmpEnvGlobal").value_or(false)))
    program.globalSynth = ReadSynth(synth);
  for (const pugi::xml_node instrument : node.child("Instruments").children("Instrument"))
    program.instruments.push_back(ReadInstrument(instrument));
  return {std::move(program), {}};
}

}  // namespace tolvane
