#pragma once
// Zip archives for the importer tests and the fuzz seeds, written by libzip into memory.

#include <zip.h>

#include <cstdio>
#include <string>
#include <vector>

#include "riff_builder.h"

namespace tolvane::testing {

struct ZipItem {
  std::string name;
  Bytes data;
  bool deflate = false;  // else stored
};

// The archive of `items`, in their order; empty when libzip cannot write it.
inline Bytes MakeZip(const std::vector<ZipItem>& items) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(out);  // read back after the archive is closed
  zip_t* archive = zip_open_from_source(out, ZIP_TRUNCATE, &error);
  Bytes bytes;
  if (archive != nullptr) {
    for (const ZipItem& item : items) {
      zip_source_t* data = zip_source_buffer_create(item.data.data(), item.data.size(), 0, &error);
      const zip_int64_t index = zip_file_add(archive, item.name.c_str(), data, ZIP_FL_ENC_UTF_8);
      if (index < 0) {
        zip_source_free(data);
        continue;
      }
      zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                               item.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (zip_close(archive) == 0 && zip_source_open(out) == 0) {
      zip_source_seek(out, 0, SEEK_END);
      bytes.resize(static_cast<std::size_t>(zip_source_tell(out)));
      zip_source_seek(out, 0, SEEK_SET);
      zip_source_read(out, bytes.data(), bytes.size());
      zip_source_close(out);
    }
  }
  zip_source_free(out);
  zip_error_fini(&error);
  return bytes;
}

// A small 16-bit WAV file of `frames` frames, with a "smpl" loop [loopStart, loopEnd) when
// `loopEnd` > 0.
inline Bytes TestWave(std::uint32_t frames, std::uint16_t channels = 1, std::uint32_t loopStart = 0,
                      std::uint32_t loopEnd = 0) {
  Bytes values;
  for (std::uint32_t i = 0; i < frames * channels; ++i)
    PutU16(values, static_cast<std::uint16_t>(i * 37));
  if (loopEnd == 0) return Riff("WAVE", {FormatChunk(channels, 22050, 16), Chunk("data", values)});
  return Riff("WAVE", {FormatChunk(channels, 22050, 16), Chunk("data", values),
                       SamplerChunk(60, 0, 1, loopStart, loopEnd)});
}

}  // namespace tolvane::testing
