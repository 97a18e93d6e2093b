#include "import/file_instrument.h"

#include <chrono>
#include <string>

#include "library/library.h"

namespace tolvane {
namespace {

// One character short of the instrument's field: the length the original platform shows.
constexpr std::size_t kNameLength = 24;

}  // namespace

DosDateTime ToDosDateTime(std::int64_t unixSeconds) {
  using namespace std::chrono;
  constexpr std::int64_t kFirst =
      sys_seconds{sys_days{year{1980} / January / 1}}.time_since_epoch().count();
  constexpr std::int64_t kLast =
      sys_seconds{sys_days{year{2108} / January / 1}}.time_since_epoch().count() - 1;
  const std::int64_t clamped = unixSeconds < kFirst  ? kFirst
                               : unixSeconds > kLast ? kLast
                                                     : unixSeconds;
  const sys_seconds moment{seconds{clamped}};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss clock{moment - day};
  DosDateTime result;
  result.date =
      static_cast<std::uint16_t>((static_cast<int>(date.year()) - 1980) * 512 +
                                 static_cast<int>(static_cast<unsigned>(date.month())) * 32 +
                                 static_cast<int>(static_cast<unsigned>(date.day())));
  result.time = static_cast<std::uint16_t>(
      clock.hours().count() * 2048 + clock.minutes().count() * 32 + clock.seconds().count() / 2);
  return result;
}

std::unique_ptr<Instrument> CreateNamedInstrument(Source& source, std::string_view name,
                                                  std::int64_t modifiedTime) {
  const std::string shown = ShortenName(name, kNameLength);
  const DosDateTime stamp = ToDosDateTime(modifiedTime);
  const std::uint32_t soundId = SoundIdHash(UpperCaseAscii(shown)) ^
                                ((static_cast<std::uint32_t>(stamp.date) << 16) | stamp.time);
  return CreateInstrument(source, name, shown, soundId);
}

std::unique_ptr<Instrument> CreateFileInstrument(Source& source, std::int64_t modifiedTime) {
  return CreateNamedInstrument(source, source.baseName, modifiedTime);
}

}  // namespace tolvane
