#include "import/exs/exs_records.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tolvane {
namespace {

constexpr std::size_t kHeaderSize = 84;
constexpr std::size_t kMagicOffset = 16;
constexpr std::size_t kNameOffset = 20;
constexpr std::size_t kNameSize = 64;
constexpr std::uint32_t kSizeBit15 = 0x8000;

enum ChunkType : std::uint8_t {
  kInstrumentChunk = 0x00,
  kZoneChunk = 0x01,
  kGroupChunk = 0x02,
  kSampleChunk = 0x03,
  kParameterChunk = 0x04,
  kSampleReferenceChunk = 0x0B,
};

// The magic as it lies in the file: a four-character code stored as a number in the file's own
// byte order, so little-endian files show it reversed.
constexpr std::array<std::string_view, 2> kLittleMagics = {"TBOS", "JBOS"};
constexpr std::array<std::string_view, 2> kBigMagics = {"SOBT", "SOBJ"};

std::optional<bool> MagicOrder(std::span<const std::byte> bytes, std::size_t chunk) {
  if (chunk > bytes.size() || bytes.size() - chunk < kHeaderSize) return std::nullopt;
  const std::string_view magic(reinterpret_cast<const char*>(bytes.data() + chunk + kMagicOffset),
                               4);
  if (std::find(kLittleMagics.begin(), kLittleMagics.end(), magic) != kLittleMagics.end())
    return false;
  if (std::find(kBigMagics.begin(), kBigMagics.end(), magic) != kBigMagics.end()) return true;
  return std::nullopt;
}

// Fields of one body in the file's byte order; a field the body does not reach gives nothing.
class Fields {
 public:
  Fields(std::span<const std::byte> body, bool big) : body_(body), big_(big) {}

  std::size_t size() const { return body_.size(); }
  std::optional<std::uint32_t> Unsigned(std::size_t at, std::size_t width) const {
    if (at > body_.size() || body_.size() - at < width) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t index = big_ ? at + i : at + width - 1 - i;
      value = (value << 8) | std::to_integer<std::uint32_t>(body_[index]);
    }
    return value;
  }
  void Read(std::size_t at, std::uint8_t& out) const {
    if (const auto v = Unsigned(at, 1)) out = static_cast<std::uint8_t>(*v);
  }
  void Read(std::size_t at, std::int8_t& out) const {
    if (const auto v = Unsigned(at, 1)) out = static_cast<std::int8_t>(*v);
  }
  void Read(std::size_t at, std::uint32_t& out) const {
    if (const auto v = Unsigned(at, 4)) out = *v;
  }
  void Read(std::size_t at, std::int32_t& out) const {
    if (const auto v = Unsigned(at, 4)) out = static_cast<std::int32_t>(*v);
  }
  // A NUL-terminated text field of at most `width` bytes.
  std::string Text(std::size_t at, std::size_t width) const {
    if (at >= body_.size()) return {};
    const std::size_t most = std::min(width, body_.size() - at);
    std::string text;
    for (std::size_t i = 0; i < most && body_[at + i] != std::byte{0}; ++i)
      text += static_cast<char>(body_[at + i]);
    return text;
  }

 private:
  std::span<const std::byte> body_;
  bool big_;
};

ExsZoneRecord ReadZone(const Fields& f, std::string name) {
  ExsZoneRecord zone;
  zone.name = std::move(name);
  f.Read(0, zone.flags);
  f.Read(1, zone.rootKey);
  f.Read(2, zone.fineTune);
  f.Read(3, zone.pan);
  f.Read(4, zone.volume);
  f.Read(6, zone.keyLow);
  f.Read(7, zone.keyHigh);
  f.Read(9, zone.velocityLow);
  f.Read(10, zone.velocityHigh);
  f.Read(12, zone.sampleStart);
  f.Read(16, zone.sampleEnd);
  f.Read(20, zone.loopStart);
  f.Read(24, zone.loopEnd);
  f.Read(33, zone.loopFlags);
  f.Read(34, zone.direction);
  f.Read(80, zone.coarseTune);
  f.Read(88, zone.group);
  f.Read(92, zone.sample);
  return zone;
}

ExsGroupRecord ReadGroup(const Fields& f, std::string name) {
  ExsGroupRecord group;
  group.name = std::move(name);
  f.Read(0, group.volume);
  f.Read(1, group.pan);
  f.Read(3, group.flags);
  f.Read(5, group.velocityLow);
  f.Read(6, group.velocityHigh);
  f.Read(73, group.trigger);
  f.Read(80, group.linked);
  f.Read(84, group.selectType);
  f.Read(88, group.keyLow);
  f.Read(89, group.keyHigh);
  return group;
}

ExsSampleRecord ReadSample(const Fields& f, std::string name) {
  constexpr std::size_t kFolderOffset = 80;
  constexpr std::size_t kFileOffset = 336;
  constexpr std::size_t kPathSize = 256;
  ExsSampleRecord sample;
  sample.name = std::move(name);
  f.Read(4, sample.frames);
  f.Read(8, sample.sampleRate);
  f.Read(28, sample.fileType);
  f.Read(36, sample.compressed);
  sample.folder = f.Text(kFolderOffset, kPathSize);
  while (sample.folder.size() > 1 && sample.folder.ends_with('/')) sample.folder.pop_back();
  // Older bodies end before the file name: the header's name is the file's then.
  sample.file = f.Text(kFileOffset, kPathSize);
  return sample;
}

// A count of N1 one-byte ids and N1 values, then optionally N2 (id, value) pairs; id 0 is an
// empty slot. Counts that do not fit what is left of the body end the table there.
std::map<std::uint16_t, std::int16_t> ReadParameters(const Fields& f) {
  std::map<std::uint16_t, std::int16_t> parameters;
  const auto put = [&](std::uint32_t id, std::uint32_t value) {
    if (id != 0)
      parameters.try_emplace(static_cast<std::uint16_t>(id), static_cast<std::int16_t>(value));
  };
  const std::uint32_t first = f.Unsigned(0, 4).value_or(0);
  if (first > (f.size() - std::min<std::size_t>(f.size(), 4)) / 3) return parameters;
  for (std::uint32_t i = 0; i < first; ++i)
    put(*f.Unsigned(4 + i, 1), *f.Unsigned(4 + first + 2 * std::size_t{i}, 2));
  const std::size_t extended = 4 + 3 * std::size_t{first};
  const std::uint32_t second = f.Unsigned(extended, 4).value_or(0);
  if (second > (f.size() - extended - std::min<std::size_t>(f.size() - extended, 4)) / 4)
    return parameters;
  for (std::uint32_t i = 0; i < second; ++i) {
    const std::size_t at = extended + 4 + 4 * std::size_t{i};
    put(*f.Unsigned(at, 2), *f.Unsigned(at + 2, 2));
  }
  return parameters;
}

// The first file:// URL in a binary property list, taken by the length its string object
// declares (a one- or two-byte count after a 0x5F marker), else up to the first byte that no
// URL holds.
std::string FindUrl(std::span<const std::byte> body) {
  const std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
  const std::size_t at = text.find("file://");
  if (at == std::string_view::npos) return {};
  std::size_t length = 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (at >= 3 && byte(at - 3) == 0x5F && byte(at - 2) == 0x10)
    length = byte(at - 1);
  else if (at >= 4 && byte(at - 4) == 0x5F && byte(at - 3) == 0x11)
    length = (std::size_t{byte(at - 2)} << 8) | byte(at - 1);
  if (length == 0 || length > text.size() - at) {
    length = 0;
    while (at + length < text.size() && byte(at + length) > 0x20 && byte(at + length) < 0x7F)
      ++length;
  }
  return std::string(text.substr(at, length));
}

bool Lands(std::span<const std::byte> bytes, std::size_t at, bool big) {
  return at == bytes.size() || MagicOrder(bytes, at) == big;
}

}  // namespace

bool LooksLikeExs(std::span<const std::byte> bytes) {
  return MagicOrder(bytes, 0).has_value();
}

std::optional<std::string> FileUrlPath(std::string_view url) {
  constexpr std::string_view kScheme = "file://";
  if (!url.starts_with(kScheme)) return std::nullopt;
  url.remove_prefix(kScheme.size());
  // "file://localhost/Users/..." names the same file as "file:///Users/...".
  const std::size_t slash = url.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  url.remove_prefix(slash);
  std::string path;
  const auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && hex(url[i + 1]) >= 0 && hex(url[i + 2]) >= 0) {
      path += static_cast<char>(hex(url[i + 1]) * 16 + hex(url[i + 2]));
      i += 2;
    } else {
      path += url[i];
    }
  }
  while (path.size() > 1 && path.ends_with('/')) path.pop_back();
  return path;
}

ExsReading ReadExs(std::span<const std::byte> bytes) {
  const std::optional<bool> order = MagicOrder(bytes, 0);
  if (!order) {
    return {std::nullopt, bytes.size() < kHeaderSize ? "shorter than one EXS chunk header"
                                                     : "no EXS chunk magic at offset 16"};
  }
  ExsFile file;
  file.bigEndian = *order;
  std::size_t position = 0;
  while (position < bytes.size()) {
    if (MagicOrder(bytes, position) != file.bigEndian) {
      file.damage = bytes.size() - position < kHeaderSize
                        ? "the last chunk header is cut short"
                        : "a chunk without a valid magic at byte " + std::to_string(position);
      break;
    }
    const Fields header(bytes.subspan(position, kHeaderSize), file.bigEndian);
    const std::size_t body = position + kHeaderSize;
    std::uint32_t size = *header.Unsigned(4, 4);
    // Some files set bit 15 of every size: the size without it is taken where only that one
    // lands on the next chunk (or the file's end), or only that one fits.
    if ((size & kSizeBit15) != 0) {
      const std::size_t left = bytes.size() - body;
      const std::uint32_t masked = size & ~kSizeBit15;
      const bool fits = size <= left;
      const bool maskedFits = masked <= left;
      if (!(fits && Lands(bytes, body + size, file.bigEndian)) &&
          ((maskedFits && Lands(bytes, body + masked, file.bigEndian)) || (!fits && maskedFits)))
        size = masked;
    }
    if (size > bytes.size() - body) {
      file.damage = "a chunk at byte " + std::to_string(position) + " runs past the file's end";
      break;
    }
    const Fields fields(bytes.subspan(body, size), file.bigEndian);
    std::string name = header.Text(kNameOffset, kNameSize);
    const auto type = static_cast<std::uint8_t>(*header.Unsigned(3, 1) & 0x0F);
    switch (type) {
      case kZoneChunk:
        file.zones.push_back(ReadZone(fields, std::move(name)));
        break;
      case kGroupChunk:
        file.groups.push_back(ReadGroup(fields, std::move(name)));
        break;
      case kSampleChunk:
        file.samples.push_back(ReadSample(fields, std::move(name)));
        break;
      case kParameterChunk:
        if (!file.parameters) file.parameters = ReadParameters(fields);
        break;
      case kSampleReferenceChunk:
        file.sampleUrls.push_back(FindUrl(bytes.subspan(body, size)));
        break;
      case kInstrumentChunk:
      default:
        break;  // the instrument's counts are not needed: records count by appearance
    }
    position = body + size;
  }
  return {std::move(file), {}};
}

}  // namespace tolvane
