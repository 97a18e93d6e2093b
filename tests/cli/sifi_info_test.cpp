// `info` on SiFi files written record by record: values an import would change, and hostile
// counts that must not multiply the output.

#include "cli/sifi_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "sifi/sifi_format.h"

namespace tolvane::cli {
namespace {

// One group: `instruments` instruments that all claim zone entries 0..0xFFFE, `zones` zone entries
// on sample 0, and one mono sample of 4 frames with the given loop (in frames) and root key.
std::vector<std::byte> GroupFile(std::size_t instruments, std::size_t zones,
                                 std::uint16_t zoneCount, std::uint32_t loopStart,
                                 std::uint32_t loopEnd, std::uint8_t rootKey) {
  std::vector<std::byte> bytes;
  ByteWriter out(bytes);
  sifi::FileHeader{0, sifi::kVersion, 1, sifi::kFileHeaderSize}.Write(out);
  const std::size_t group = bytes.size();
  const auto zoneTable = static_cast<std::uint16_t>(28 + 40 * instruments);
  const auto sampleTable = static_cast<std::uint16_t>(zoneTable + 76 * zones);
  const auto sampleData = static_cast<std::uint16_t>(sampleTable + 48);
  sifi::GroupHeader{0,         28,        static_cast<std::uint16_t>(instruments),
                    zoneTable, zoneCount, sampleTable,
                    1,         sampleData}
      .Write(out);
  for (std::size_t i = 0; i < instruments; ++i)
    sifi::InstrumentEntry{"Organ", 0, 0x4040, 0, zoneCount}.Write(out);
  for (std::size_t k = 0; k < zones; ++k) sifi::ZoneEntry{}.Write(out);
  sifi::SampleEntry{"pipe", 0, 8, 2 * loopStart, 2 * loopEnd, 0, rootKey, 1, 16, 44100}.Write(out);
  out.Zeros(8 + 64);
  ByteWriter(bytes).PatchU32(group + 4, static_cast<std::uint32_t>(bytes.size() - group));
  ByteWriter(bytes).PatchU32(4, static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

std::string Describe(const std::vector<std::byte>& file) {
  std::ostringstream out;
  std::string error;
  EXPECT_TRUE(DescribeSiFi(file, "Organ.SLI", out, error)) << error;
  return out.str();
}

TEST(SiFiInfo, NamesLoopsAndKeysAnImportWouldChange) {
  const struct {
    std::uint32_t loopStart;
    std::uint32_t loopEnd;
    std::uint8_t rootKey;
    const char* line;  // after the sample's own line; empty when nothing changes
  } cases[] = {
      {1, 3, 60, ""},
      {0, 4, 127, ""},
      {1, 9, 60, "    clamped on import to loop 1-4\n"},
      {3, 2, 60, "    clamped on import to loop 2-2\n"},
      {0x40000008, 0x40000010, 200, "    clamped on import to loop 4-4, root key 127\n"},
      {0, 4, 128, "    clamped on import to root key 127\n"},
  };
  for (const auto& c : cases) {
    const std::string text = Describe(GroupFile(1, 1, 1, c.loopStart, c.loopEnd, c.rootKey));
    const std::string sampleLine = "  sample \"pipe\" 44100 Hz, 1 channel, 4 frames, loop ";
    const auto at = text.find(sampleLine);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string after = text.substr(text.find('\n', at) + 1);
    EXPECT_EQ(after, c.line) << text;
  }
}

// Found by a new user: 4 KiB of instruments that all claim 65535 zones printed millions of lines.
TEST(SiFiInfo, HostileCountsGiveOutputInProportionToTheFile) {
  const std::vector<std::byte> file = GroupFile(75, 10, 0xFFFF, 0, 4, 60);
  ASSERT_LT(file.size(), 4096u);
  const std::string text = Describe(file);
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  EXPECT_LE(lines, file.size() / 10) << text.substr(0, 2000);
  // Zone entries run up to the end of the chunk: the sample table and data hold one more.
  EXPECT_NE(text.find("    zones 12 to 65535: damaged (outside its group)\n"), std::string::npos);
  EXPECT_NE(text.find(": not read (the group's instruments name more zone entries than it "
                      "holds)\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tolvane::cli
