#include "import/import_file.h"
#include "import/outcome_text.h"

#include <gtest/gtest.h>

#include <chrono>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "database/sound_database.h"
#include "library/library.h"
#include "riff_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::FormatChunk;
using testing::Riff;
using testing::TempFolder;
using testing::ValuesLE16;

void SetModifiedTime(const std::filesystem::path& path, std::time_t seconds) {
  using Clock = std::filesystem::file_time_type::clock;
  std::filesystem::last_write_time(
      path, Clock::from_sys(std::chrono::system_clock::from_time_t(seconds)));
}

Bytes SmallWave() {
  return Riff("WAVE", {FormatChunk(1, 22050, 16), Chunk("data", ValuesLE16({1, 2, 3, 4}))});
}

class ImportFileTest : public ::testing::Test {
 protected:
  ImportOutcome Import(const std::filesystem::path& path) {
    return ImportFile(library, database, path.string());
  }

  SoundDatabase database;
  Library library;
};

TEST_F(ImportFileTest, EachFileGetsItsOwnSourceAlsoWithTheSameBaseName) {
  TempFolder folder("three");
  std::filesystem::create_directories(folder / "a");
  std::filesystem::create_directories(folder / "b");
  testing::WriteFile(folder / "a" / "Bell.wav", SmallWave());
  testing::WriteFile(folder / "b" / "bell.wav", SmallWave());
  testing::WriteFile(folder / "Harp.wav", SmallWave());

  EXPECT_TRUE(Import(folder / "a" / "Bell.wav").imported());
  EXPECT_TRUE(Import(folder / "Harp.wav").imported());
  EXPECT_TRUE(Import(folder / "b" / "bell.wav").imported());

  ASSERT_EQ(library.sources.size(), 3u);
  // The later of two equal names stands in front of the earlier one.
  EXPECT_EQ(library.sources[0]->path, (folder / "b" / "bell.wav").string());
  EXPECT_EQ(library.sources[1]->path, (folder / "a" / "Bell.wav").string());
  EXPECT_EQ(library.sources[2]->baseName, "Harp");
  EXPECT_EQ(library.sources[0]->section, library.sources[1]->section);
  ASSERT_NE(library.sources[0]->section, nullptr);
  EXPECT_EQ(library.sources[0]->section->name, "Bell");
  EXPECT_EQ(database.sections.size(), 2u);
  EXPECT_EQ(library.instruments.size(), 3u);
  for (const auto& source : library.sources) {
    ASSERT_EQ(source->groups.size(), 1u);
    EXPECT_EQ(source->groups[0]->collectionNumber, 0u);
  }
}

TEST_F(ImportFileTest, AFileNoImporterTakesLeavesAnEmptySource) {
  TempFolder folder("text");
  const Bytes text = {std::byte{'h'}, std::byte{'i'}, std::byte{'\n'}};
  testing::WriteFile(folder / "notes.txt", text);
  const ImportOutcome outcome = Import(folder / "notes.txt");
  EXPECT_EQ(outcome.status, ImportStatus::NotRecognised);
  EXPECT_EQ(OutcomeReason(outcome), "");
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_EQ(library.sources[0]->baseName, "notes");
  EXPECT_NE(library.sources[0]->section, nullptr);
  EXPECT_TRUE(library.instruments.empty());
}

TEST_F(ImportFileTest, AnEmptyFileLeavesAnEmptySource) {
  TempFolder folder("empty");
  testing::WriteFile(folder / "Nothing.wav", {});
  const ImportOutcome outcome = Import(folder / "Nothing.wav");
  EXPECT_EQ(outcome.status, ImportStatus::NotRecognised);
  EXPECT_EQ(OutcomeReason(outcome), "empty file");
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_EQ(library.sources[0]->baseName, "Nothing");
  EXPECT_EQ(database.sections.size(), 1u);
}

TEST_F(ImportFileTest, WhatCannotBeOpenedAddsNothing) {
  TempFolder folder("missing");
  std::filesystem::create_directories(folder / "Folder.wav");
  const ImportOutcome missing = Import(folder / "Missing.wav");
  EXPECT_EQ(missing.status, ImportStatus::CannotOpen);
  EXPECT_EQ(OutcomeReason(missing), "cannot open file: no such file");
  // A folder is read for its sound files; one without any adds nothing either.
  const ImportOutcome folderOutcome = Import(folder / "Folder.wav");
  EXPECT_EQ(folderOutcome.status, ImportStatus::NotRecognised);
  EXPECT_EQ(OutcomeReason(folderOutcome), "no sound files (WAV, AIFF, FLAC or Ogg) in the folder");
  EXPECT_TRUE(library.sources.empty());
  EXPECT_TRUE(database.sections.empty());
}

// A regular file that opens for reading but cannot be mapped: kernel attribute files refuse
// mmap. None where the system has none.
std::optional<std::filesystem::path> UnmappableFile() {
  for (const char* candidate :
       {"/sys/kernel/profiling", "/sys/kernel/mm/transparent_hugepage/enabled",
        "/sys/power/state"}) {
    const std::filesystem::path path = candidate;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) continue;
    if (!std::ifstream(path, std::ios::binary).is_open()) continue;
    if (!MappedFile::Open(path)) return path;
  }
  return std::nullopt;
}

TEST_F(ImportFileTest, AFileThatCannotBeMappedLeavesAnEmptySource) {
  const auto path = UnmappableFile();
  if (!path) GTEST_SKIP() << "no file here that opens but does not map";
  EXPECT_EQ(Import(*path).status, ImportStatus::CannotOpen);
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_EQ(library.sources[0]->baseName, BaseNameOf(path->string()));
  ASSERT_NE(library.sources[0]->section, nullptr);
  EXPECT_EQ(library.sources[0]->section->name, library.sources[0]->baseName);
  EXPECT_TRUE(library.instruments.empty());
}

TEST_F(ImportFileTest, FilesOf4GiBOrMoreAreRefused) {
  TempFolder folder("huge");
  const auto path = folder / "Huge.wav";
  const Bytes wave = SmallWave();
  testing::WriteFile(path, wave);
  // Sparse: takes no room on the disk. Behind the RIFF chunk come zero bytes, which would walk
  // as empty chunks up to the very end if the size were not refused.
  std::error_code error;
  std::filesystem::resize_file(path, (std::uintmax_t{1} << 32) + wave.size(), error);
  if (error) GTEST_SKIP() << "no sparse file: " << error.message();
  EXPECT_EQ(Import(path).status, ImportStatus::NotRecognised);
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_TRUE(library.instruments.empty());
}

TEST_F(ImportFileTest, PathsAreKeptInWindows1252AndOpenedAsGiven) {
  TempFolder folder("utf8");
  // "Ωmega–Pad": the omega has no Windows-1252 byte, the en dash is 0x96.
  const std::string name = "\xCE\xA9mega\xE2\x80\x93Pad";
  const auto path = folder.path() / PathFromUtf8(name + ".wav");
  testing::WriteFile(path, SmallWave());
  SetModifiedTime(path, 1710510331);  // 2024-03-15 13:45:31 UTC
  EXPECT_TRUE(ImportFile(library, database, PathToUtf8(path)).imported());
  ASSERT_EQ(library.sources.size(), 1u);
  const Source& source = *library.sources[0];
  EXPECT_EQ(source.baseName, "_mega\x96Pad");
  EXPECT_EQ(source.path, Utf8ToWindows1252(PathToUtf8(folder.path() / "")) + "_mega\x96Pad.wav");
  EXPECT_EQ(source.section->name, "_mega\x96Pad");
  ASSERT_EQ(library.instruments.size(), 1u);
  EXPECT_EQ(library.instruments[0]->name, "_mega\x96Pad");
  EXPECT_EQ(library.instruments[0]->soundId, SoundIdHash("_MEGA\x96PAD") ^ 0x586F6DAFu);
}

TEST_F(ImportFileTest, SoundIdUsesTheFilesModificationTime) {
  TempFolder folder("time");
  const auto path = folder / "Piano.wav";
  testing::WriteFile(path, SmallWave());
  SetModifiedTime(path, 1710510331);  // 2024-03-15 13:45:31 UTC
  ASSERT_TRUE(Import(path).imported());
  EXPECT_EQ(library.instruments[0]->soundId, 0x0004762Fu ^ 0x586F6DAFu);
}

// Instruments built straight with the library, sharing samples through equal names and keys.
class Collections : public ::testing::Test {
 protected:
  void Add(std::string_view name, std::initializer_list<const char*> samples) {
    auto instrument = CreateInstrument(source, name, name, 0);
    for (const char* sampleName : samples) {
      SampleRequest request;
      request.name = sampleName;
      request.sampleRate = 44100;
      const auto offset = static_cast<std::size_t>(sampleName[0] - 'a') * 2;
      request.key.first = offset;
      request.frames = 1;
      ASSERT_NE(AddSample(*instrument, request,
                          SampleData::FromLittleEndian(std::span(data).subspan(offset, 2), 1)),
                nullptr);
    }
    AddInstrument(library, std::move(instrument));
  }

  Library library;
  Source& source = CreateSource(library, "Bank.sf2");
  Bytes data = Bytes(52);
};

TEST_F(Collections, SharedGroupsAreNumberedInListOrder) {
  Add("Alpha", {"a"});
  Add("Beta", {"a"});
  Add("Gamma", {"c"});
  Add("Delta", {"d"});
  Add("Epsilon", {"d", "e"});
  ASSERT_EQ(source.groups.size(), 3u);
  source.groups[1]->collectionNumber = 9;  // stale numbers are replaced
  NumberCollections(source);
  EXPECT_EQ(source.groups[0]->collectionNumber, 1u);
  EXPECT_EQ(source.groups[1]->collectionNumber, 0u);
  EXPECT_EQ(source.groups[2]->collectionNumber, 2u);
}

TEST_F(Collections, MergedGroupsAreNumberedOnce) {
  Add("One", {"a"});
  Add("Two", {"b"});
  Add("Three", {"c"});
  Add("Bridge", {"c", "a"});  // joins the groups of Three and One
  ASSERT_EQ(source.groups.size(), 2u);
  NumberCollections(source);
  EXPECT_EQ(source.groups[0]->collectionNumber, 1u);
  EXPECT_EQ(source.groups[0]->instruments.size(), 3u);
  EXPECT_EQ(source.groups[1]->collectionNumber, 0u);
}

TEST_F(Collections, NoSharingNumbersNothing) {
  Add("One", {"a"});
  Add("Two", {"b"});
  NumberCollections(source);
  for (const auto& group : source.groups) EXPECT_EQ(group->collectionNumber, 0u);
}

}  // namespace
}  // namespace tolvane
