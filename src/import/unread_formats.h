#pragma once
// Formats the converter recognises but does not read: rows of the table of formats that only
// name a file ("not read: an MP3 file (MPEG audio is not read)") instead of calling it damaged
// or unknown.

#include <cstddef>
#include <span>
#include <string_view>

#include "import/formats.h"

namespace tolvane {

// MPEG audio frame sync at the start: eleven set bits, then a valid version, layer, bit rate and
// sample rate.
bool LooksLikeMpegAudio(std::span<const std::byte> bytes);
// An MPC program in its XML form: an MPCVObject element near the start.
bool LooksLikeMpcProgram(std::span<const std::byte> bytes);

namespace unread {
using Names = std::string_view[];
inline constexpr Names kOpusPatterns = {"*.opus"};
inline constexpr Signature kOpusSignatures[] = {{{0, "OggS"}, {28, "OpusHead"}}};
inline constexpr Names kMp3Patterns = {"*.mp3"};
inline constexpr Signature kMp3Signatures[] = {{{0, "ID3"}, {}}};
inline constexpr Names kMpeg4Patterns = {"*.m4a", "*.mp4"};
inline constexpr Signature kMpeg4Signatures[] = {{{4, "ftyp"}, {}}};
inline constexpr Names kCafPatterns = {"*.caf"};
inline constexpr Signature kCafSignatures[] = {{{0, "caff"}, {}}};
inline constexpr Names kWavPackPatterns = {"*.wv"};
inline constexpr Signature kWavPackSignatures[] = {{{0, "wvpk"}, {}}};
inline constexpr Names kApePatterns = {"*.ape"};
inline constexpr Signature kApeSignatures[] = {{{0, "MAC "}, {}}};
inline constexpr Names kMidiPatterns = {"*.mid", "*.midi"};
inline constexpr Signature kMidiSignatures[] = {{{0, "MThd"}, {}}};
inline constexpr Names kAkaiPatterns = {"*.akp"};
inline constexpr Signature kAkaiSignatures[] = {{{0, "RIFF"}, {8, "APRG"}}};
inline constexpr Names kKontaktPatterns = {"*.nki", "*.nkm"};
inline constexpr Names kAbletonPatterns = {"*.adv", "*.adg"};
inline constexpr Names kMpcPatterns = {"*.xpm"};
// MPC projects, tracks, sequences, patterns and the browser's caches of an expansion.
inline constexpr Names kMpcProjectPatterns = {"*.xpj",
                                              "*.xty",
                                              "*.xtd",
                                              "*.sxq",
                                              "*.mpcpattern",
                                              "Cache.json",
                                              "TagsCache.json",
                                              ".cache-mpc3.json",
                                              ".tagsCache-mpc3.json"};
inline constexpr Names kRenoisePatterns = {"*.xrni"};
inline constexpr Names kSfArkPatterns = {"*.sfark"};
}  // namespace unread

inline constexpr FileFormat kOggOpus{.name = "Ogg Opus file",
                                     .article = "an",
                                     .patterns = unread::kOpusPatterns,
                                     .page = "unread",
                                     .signatures = unread::kOpusSignatures,
                                     .unread = "Opus audio is not read",
                                     .sound = true};
inline constexpr FileFormat kMp3{.name = "MP3 file",
                                 .article = "an",
                                 .patterns = unread::kMp3Patterns,
                                 .page = "unread",
                                 .signatures = unread::kMp3Signatures,
                                 .recognises = &LooksLikeMpegAudio,
                                 .unread = "MPEG audio is not read",
                                 .sound = true};
inline constexpr FileFormat kMpeg4Audio{.name = "MPEG-4 audio file",
                                        .article = "an",
                                        .patterns = unread::kMpeg4Patterns,
                                        .page = "unread",
                                        .signatures = unread::kMpeg4Signatures,
                                        .unread = "AAC and ALAC audio are not read",
                                        .sound = true};
inline constexpr FileFormat kCaf{.name = "CAF file",
                                 .patterns = unread::kCafPatterns,
                                 .page = "unread",
                                 .signatures = unread::kCafSignatures,
                                 .unread = "Core Audio files are not read",
                                 .sound = true};
inline constexpr FileFormat kWavPack{.name = "WavPack file",
                                     .patterns = unread::kWavPackPatterns,
                                     .page = "unread",
                                     .signatures = unread::kWavPackSignatures,
                                     .unread = "WavPack audio is not read",
                                     .sound = true};
inline constexpr FileFormat kMonkeysAudio{.name = "Monkey's Audio file",
                                          .patterns = unread::kApePatterns,
                                          .page = "unread",
                                          .signatures = unread::kApeSignatures,
                                          .unread = "Monkey's Audio is not read",
                                          .sound = true};
inline constexpr FileFormat kMidi{.name = "MIDI file",
                                  .patterns = unread::kMidiPatterns,
                                  .page = "unread",
                                  .signatures = unread::kMidiSignatures,
                                  .unread = "it holds notes, not sounds",
                                  .sound = true};
inline constexpr FileFormat kAkaiProgram{.name = "Akai program",
                                         .article = "an",
                                         .patterns = unread::kAkaiPatterns,
                                         .page = "unread",
                                         .signatures = unread::kAkaiSignatures,
                                         .unread = "Akai programs are not read"};
inline constexpr FileFormat kKontakt{.name = "Kontakt instrument",
                                     .patterns = unread::kKontaktPatterns,
                                     .page = "unread",
                                     .byName = true,
                                     .unread = "Kontakt's files are closed and not read"};
inline constexpr FileFormat kAbleton{.name = "Ableton device preset",
                                     .article = "an",
                                     .patterns = unread::kAbletonPatterns,
                                     .page = "unread",
                                     .byName = true,
                                     .unread = "Ableton's presets are not read"};
// An .xpm of gzip-compressed JSON, as MPC 3 saves programs: the MPC reader's row recognises it
// (an X pixmap shares the extension, so neither name nor gzip alone tells) and names it so.
inline constexpr FileFormat kMpcJsonProgram{.name = "MPC 3 JSON program",
                                            .article = "an",
                                            .patterns = unread::kMpcPatterns,
                                            .page = "unread",
                                            .unread = "MPC 3's JSON programs are not read yet"};
inline constexpr FileFormat kMpcProject{.name = "MPC project or track",
                                        .article = "an",
                                        .patterns = unread::kMpcProjectPatterns,
                                        .page = "unread",
                                        .byName = true,
                                        .unread = "MPC projects and tracks are not read yet",
                                        .passedOver = true};
inline constexpr FileFormat kRenoise{.name = "Renoise instrument",
                                     .patterns = unread::kRenoisePatterns,
                                     .page = "unread",
                                     .byName = true,
                                     .unread = "Renoise instruments are not read"};
inline constexpr FileFormat kSfArk{.name = "sfArk bank",
                                   .article = "an",
                                   .patterns = unread::kSfArkPatterns,
                                   .page = "unread",
                                   .byName = true,
                                   .unread = "unpack it to a SoundFont bank first"};

}  // namespace tolvane
