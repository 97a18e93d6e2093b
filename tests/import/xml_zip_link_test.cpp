// pugixml and libzip as the instrument importers will use them: an XML description read from
// memory, and a zip archive made and read back in memory with its members deflated. On Windows
// both libraries (and zlib under libzip) are built from source and linked statically; this
// proves that link works and that the archive really goes through zlib.

#include <gtest/gtest.h>
#include <zip.h>
#include <pugixml.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {
namespace {

TEST(XmlLibrary, ReadsAttributesAndNamesADamagedDocument) {
  constexpr std::string_view kGood =
      R"(<DecentSampler><groups><group><sample path="Samples/Kick 1.wav" rootNote="36"/>)"
      R"(</group></groups></DecentSampler>)";
  pugi::xml_document document;
  ASSERT_TRUE(document.load_buffer(kGood.data(), kGood.size()));
  const pugi::xml_node sample =
      document.child("DecentSampler").child("groups").child("group").child("sample");
  EXPECT_STREQ(sample.attribute("path").value(), "Samples/Kick 1.wav");
  EXPECT_EQ(sample.attribute("rootNote").as_int(), 36);

  constexpr std::string_view kCut = "<DecentSampler><groups><group>";
  pugi::xml_document cut;
  EXPECT_EQ(cut.load_buffer(kCut.data(), kCut.size()).status, pugi::status_end_element_mismatch);
}

struct ArchiveClose {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
struct FileClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveClose>;
using Source = std::unique_ptr<zip_source_t, SourceFree>;

// A zip archive holding `text` as `name`, deflated, as bytes (none if libzip fails).
std::vector<char> ZipOf(const std::string& name, const std::string& text) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* const written = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (written == nullptr) return {};
  zip_t* const archive = zip_open_from_source(written, ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    zip_source_free(written);
    return {};
  }
  zip_source_keep(written);  // the archive frees its reference on close, the bytes stay here
  const Source buffer(written);
  zip_source_t* const member = zip_source_buffer(archive, text.data(), text.size(), 0);
  const zip_int64_t index = member == nullptr ? -1 : zip_file_add(archive, name.c_str(), member, 0);
  if (index < 0) zip_source_free(member);
  if (index < 0 ||
      zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9) != 0 ||
      zip_close(archive) != 0) {
    zip_discard(archive);
    return {};
  }
  zip_stat_t stat;
  if (zip_source_stat(buffer.get(), &stat) != 0 || zip_source_open(buffer.get()) != 0) return {};
  std::vector<char> bytes(stat.size);
  const zip_int64_t read = zip_source_read(buffer.get(), bytes.data(), bytes.size());
  zip_source_close(buffer.get());
  if (read != static_cast<zip_int64_t>(bytes.size())) return {};
  return bytes;
}

// The archive in `bytes` (which must outlive it), or none with the reason in `error`.
Archive OpenZip(const std::vector<char>& bytes, zip_error_t& error) {
  zip_error_init(&error);
  Source source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error));
  if (source == nullptr) return nullptr;
  Archive archive(zip_open_from_source(source.get(), ZIP_RDONLY, &error));
  if (archive != nullptr) static_cast<void>(source.release());  // the archive frees it
  return archive;
}

TEST(ZipLibrary, ReadsBackADeflatedArchiveMadeInMemory) {
  const std::string text(4000, 'a');  // compresses well, so deflate shows in the sizes
  const std::vector<char> bytes = ZipOf("Samples/Kick 1.wav", text);
  ASSERT_FALSE(bytes.empty());
  EXPECT_LT(bytes.size(), text.size());

  zip_error_t error;
  const Archive archive = OpenZip(bytes, error);
  ASSERT_NE(archive, nullptr) << zip_error_strerror(&error);
  const zip_int64_t index = zip_name_locate(archive.get(), "Samples/Kick 1.wav", 0);
  ASSERT_GE(index, 0);
  zip_stat_t stat;
  ASSERT_EQ(zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &stat), 0);
  EXPECT_EQ(stat.comp_method, ZIP_CM_DEFLATE);
  ASSERT_EQ(stat.size, text.size());
  const std::unique_ptr<zip_file_t, FileClose> file(
      zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(index), 0));
  ASSERT_NE(file, nullptr);
  std::string read(text.size(), '\0');
  EXPECT_EQ(zip_fread(file.get(), read.data(), read.size()), static_cast<zip_int64_t>(text.size()));
  EXPECT_EQ(read, text);
}

TEST(ZipLibrary, NamesACutArchiveAsNoZip) {
  std::vector<char> bytes = ZipOf("a.xml", "<a/>");
  ASSERT_GT(bytes.size(), 22U);
  bytes.resize(bytes.size() - 22);  // the end of central directory record is gone
  zip_error_t error;
  const Archive archive = OpenZip(bytes, error);
  EXPECT_EQ(archive, nullptr);
  EXPECT_EQ(zip_error_code_zip(&error), ZIP_ER_NOZIP);
}

}  // namespace
}  // namespace tolvane
