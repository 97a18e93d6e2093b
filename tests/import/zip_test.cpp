// Zip archives read from memory: names checked, entries unpacked whole or refused with a reason.

#include "import/zip/zip_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "base/all_cores.h"
#include "import/archive_path.h"
#include "import/zip/zip_files.h"
#include "zip_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::MakeZip;
using testing::ZipItem;

Bytes Text(std::string_view text) {
  Bytes bytes;
  for (const char c : text) bytes.push_back(static_cast<std::byte>(c));
  return bytes;
}

// Where `pattern` first begins in `bytes`.
std::size_t Offset(const Bytes& bytes, const Bytes& pattern) {
  return static_cast<std::size_t>(
      std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) - bytes.begin());
}

void Put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::byte>(value & 0xFF);
  bytes[at + 1] = static_cast<std::byte>(value >> 8);
}
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
  Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// The archive's one entry's local header and directory record, for patching both alike.
struct Headers {
  std::size_t local;
  std::size_t central;
};
Headers HeadersOf(const Bytes& zip) {
  return {Offset(zip, Text("PK\x03\x04")), Offset(zip, Text("PK\x01\x02"))};
}

TEST(ArchivePath, EntryNamesAreCheckedAndPathsStayInside) {
  const struct {
    const char* name;
    std::optional<EntryNameProblem> problem;
  } names[] = {
      {"Samples/C4.wav", std::nullopt},
      {"Samples/", std::nullopt},
      {"a..b/x.wav", std::nullopt},
      {"", EntryNameProblem::Empty},
      {"/etc/passwd", EntryNameProblem::Absolute},
      {"C:/x.wav", EntryNameProblem::DriveLetter},
      {"c:x.wav", EntryNameProblem::DriveLetter},
      {"Samples\\C4.wav", EntryNameProblem::Backslash},
      {"../x.wav", EntryNameProblem::ParentFolder},
      {"Samples/../../x.wav", EntryNameProblem::ParentFolder},
      {"Samples/..", EntryNameProblem::ParentFolder},
  };
  for (const auto& c : names) EXPECT_EQ(CheckEntryName(c.name), c.problem) << c.name;

  const struct {
    const char* folder;
    const char* path;
    std::optional<std::string> resolved;
  } paths[] = {
      {"", "a.wav", "a.wav"},
      {"", "./Samples//a.wav", "Samples/a.wav"},
      {"Presets", "../Samples\\a.wav", "Samples/a.wav"},
      {"Presets/Keys", "../../a.wav", "a.wav"},
      {"Presets", "../../a.wav", std::nullopt},
      {"", "../a.wav", std::nullopt},
      {"", "/a.wav", std::nullopt},
      {"", "\\a.wav", std::nullopt},
      {"", "D:a.wav", std::nullopt},
      {"", "Samples/..", std::nullopt},
      {"", "", std::nullopt},
  };
  for (const auto& c : paths)
    EXPECT_EQ(ResolveInside(c.folder, c.path), c.resolved) << c.folder << " + " << c.path;

  // Paths that may climb out of their folder keep what climbs above the root in front.
  const struct {
    const char* folder;
    const char* path;
    std::optional<std::string> joined;
  } climbing[] = {
      {"Programs/", "../Samples/a.wav", "Samples/a.wav"},
      {"", "../Samples\\a.wav", "../Samples/a.wav"},
      {"Programs", "../../x/../a.wav", "../a.wav"},
      {"", "./a.wav", "a.wav"},
      {"", "/a.wav", std::nullopt},
      {"", "..", std::nullopt},
      {"Programs", "", std::nullopt},
  };
  for (const auto& c : climbing)
    EXPECT_EQ(JoinPath(c.folder, c.path), c.joined) << c.folder << " + " << c.path;
}

TEST(ZipArchive, StoredAndDeflatedEntriesUnpackWholeAndNamesMatchIgnoringCase) {
  Bytes big;
  for (int i = 0; i < 5000; ++i) big.push_back(static_cast<std::byte>(i % 7));
  const Bytes zip = MakeZip({{"Stored.txt", Text("stored text"), false},
                             {"Samples/Deflated.bin", big, true},
                             {"Samples/", {}, false},
                             {"Twice.txt", Text("a"), false},
                             {"TWICE.txt", Text("b"), false}});
  ASSERT_FALSE(zip.empty());
  const ZipOpening opening = ZipArchive::Open(zip);
  ASSERT_TRUE(opening.archive) << opening.refusal;
  const ZipArchive& archive = *opening.archive;
  EXPECT_EQ(archive.entries().size(), 4u);  // the folder is not a file
  EXPECT_TRUE(archive.refused().empty());

  const struct {
    const char* path;
    std::optional<Bytes> bytes;
  } cases[] = {
      {"Stored.txt", Text("stored text")},
      {"stored.TXT", Text("stored text")},
      {"Samples/Deflated.bin", big},
      {"samples/deflated.bin", big},
      {"Twice.txt", Text("a")},
      {"twice.txt", std::nullopt},  // two entries match ignoring case: neither is taken
      {"Samples", std::nullopt},
      {"Missing.txt", std::nullopt},
  };
  for (const auto& c : cases) {
    const ZipEntry* entry = archive.Find(c.path);
    ASSERT_EQ(entry != nullptr, c.bytes.has_value()) << c.path;
    if (entry == nullptr) continue;
    const ZipRead read = archive.Read(*entry);
    EXPECT_FALSE(read.problem) << c.path << ": " << ZipReadText(read);
    EXPECT_EQ(read.bytes, *c.bytes) << c.path;
  }
  EXPECT_EQ(archive.Find("Samples/Deflated.bin")->method, ZIP_CM_DEFLATE);
  EXPECT_EQ(archive.Find("Stored.txt")->method, ZIP_CM_STORE);
}

TEST(ZipArchive, HostileNamesAreRefusedAndNamed) {
  const Bytes zip = MakeZip({{"../up.wav", Text("x")},
                             {"/abs.wav", Text("x")},
                             {"C:/drive.wav", Text("x")},
                             {"back\\slash.wav", Text("x")},
                             {"fine.wav", Text("x")}});
  const ZipOpening opening = ZipArchive::Open(zip);
  ASSERT_TRUE(opening.archive) << opening.refusal;
  const std::vector<RefusedEntry>& refused = opening.archive->refused();
  ASSERT_EQ(refused.size(), 4u);
  EXPECT_EQ(refused[0].name, "../up.wav");
  EXPECT_EQ(refused[0].problem, EntryNameProblem::ParentFolder);
  EXPECT_EQ(refused[1].problem, EntryNameProblem::Absolute);
  EXPECT_EQ(refused[2].problem, EntryNameProblem::DriveLetter);
  EXPECT_EQ(refused[3].problem, EntryNameProblem::Backslash);
  ASSERT_EQ(opening.archive->entries().size(), 1u);
  EXPECT_EQ(opening.archive->Find("up.wav"), nullptr);
  // The folder view never climbs out to them either.
  const ZipFiles files(*opening.archive, "");
  EXPECT_EQ(files.ReadSample("../up.wav").refusal.reason, "path leaves the archive");
}

// Each archive is made, then damaged; it is refused whole, or its entry does not unpack.
TEST(ZipArchive, DamageIsRefusedWithItsReason) {
  const Bytes wave = Text("0123456789abcdef0123456789abcdef");
  Bytes deflatable;
  for (int i = 0; i < 4000; ++i) deflatable.push_back(static_cast<std::byte>(i % 3));
  const struct {
    const char* what;
    bool deflate;
    void (*damage)(Bytes&);
    const char* openRefusal;  // the start of it; null when the archive opens
    std::optional<ZipReadProblem> problem;
  } cases[] = {
      {"checksum", false,
       [](Bytes& z) { z[Offset(z, Text("0123456789abcdef")) + 3] ^= std::byte{1}; }, nullptr,
       ZipReadProblem::Broken},
      {"cut short", false, [](Bytes& z) { z.resize(z.size() - 10); },
       "not a zip archive that can be read", std::nullopt},
      {"cut in its data", true, [](Bytes& z) { z.resize(HeadersOf(z).local + 60); },
       "not a zip archive that can be read", std::nullopt},
      {"not a zip", false, [](Bytes& z) { z.assign(100, std::byte{'x'}); },
       "not a zip archive that can be read", std::nullopt},
      {"claims too much", true,
       [](Bytes& z) {
         const Headers h = HeadersOf(z);
         Put32(z, h.local + 22, 0xFFFFFF00);
         Put32(z, h.central + 24, 0xFFFFFF00);
       },
       "zip archive whose files claim to unpack to more than 64 times its size", std::nullopt},
      {"claims less", true,
       [](Bytes& z) {
         const Headers h = HeadersOf(z);
         Put32(z, h.local + 22, 100);
         Put32(z, h.central + 24, 100);
       },
       nullptr, ZipReadProblem::LongerThanClaim},
      {"claims more", true,
       [](Bytes& z) {
         const Headers h = HeadersOf(z);
         Put32(z, h.local + 22, 5000);
         Put32(z, h.central + 24, 5000);
       },
       nullptr, ZipReadProblem::ShorterThanClaim},
      {"encrypted", false,
       [](Bytes& z) {
         const Headers h = HeadersOf(z);
         Put16(z, h.local + 6, 1);
         Put16(z, h.central + 8, 1);
       },
       nullptr, ZipReadProblem::Encrypted},
      {"unknown method", false,
       [](Bytes& z) {
         const Headers h = HeadersOf(z);
         Put16(z, h.local + 8, 97);
         Put16(z, h.central + 10, 97);
       },
       nullptr, ZipReadProblem::Method},
  };
  for (const auto& c : cases) {
    Bytes zip = MakeZip({{"a.wav", c.deflate ? deflatable : wave, c.deflate}});
    c.damage(zip);
    const ZipOpening opening = ZipArchive::Open(zip);
    if (c.openRefusal != nullptr) {
      EXPECT_FALSE(opening.archive) << c.what;
      EXPECT_TRUE(opening.refusal.starts_with(c.openRefusal)) << c.what << ": " << opening.refusal;
      continue;
    }
    ASSERT_TRUE(opening.archive) << c.what << ": " << opening.refusal;
    const ZipEntry* entry = opening.archive->Find("a.wav");
    ASSERT_NE(entry, nullptr) << c.what;
    const ZipRead read = opening.archive->Read(*entry);
    EXPECT_EQ(read.problem, c.problem) << c.what << ": " << ZipReadText(read);
    EXPECT_TRUE(read.bytes.empty()) << c.what;
    EXPECT_FALSE(ZipReadText(read).empty()) << c.what;
  }
}

// Every core unpacks at once, each through a handle of its own.
TEST(ZipArchive, ReadsFromManyThreadsAtOnce) {
  std::vector<ZipItem> items;
  for (int i = 0; i < 64; ++i) {
    Bytes data;
    for (int j = 0; j < 3000 + i; ++j) data.push_back(static_cast<std::byte>((i * j) & 0xFF));
    items.push_back({"f" + std::to_string(i), data, i % 2 == 0});
  }
  const Bytes zip = MakeZip(items);
  const ZipOpening opening = ZipArchive::Open(zip);
  ASSERT_TRUE(opening.archive);
  std::atomic<int> right{0};
  ForEachOnAllCores(items.size() * 4, [&](std::size_t i) {
    const ZipItem& item = items[i % items.size()];
    const ZipRead read = opening.archive->Read(*opening.archive->Find(item.name));
    if (!read.problem && read.bytes == item.data) ++right;
    return true;
  });
  EXPECT_EQ(right, static_cast<int>(items.size() * 4));
}

}  // namespace
}  // namespace tolvane
