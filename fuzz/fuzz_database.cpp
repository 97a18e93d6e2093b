// The sound database parser on any bytes. Whatever it reads must be written so that it reads
// back to the same database.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "database/sound_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  SoundDatabase database;
  ParseSoundDatabase(database, std::as_bytes(std::span(data, size)));
  const std::string written = FormatSoundDatabase(database);

  SoundDatabase again;
  ParseSoundDatabase(again, std::as_bytes(std::span(written.data(), written.size())));
  if (FormatSoundDatabase(again) != written) std::abort();
  return 0;
}
