#pragma once
// Encodes 16-bit values as an Ogg Vorbis stream with libvorbisenc, as a compressed SoundFont bank
// stores a sample: for the importer tests and the fuzz seeds.

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolvane::testing {

// `values` holds frames x `channels` values, interleaved; `serial` is the stream's serial number.
// Empty when libvorbisenc refuses the settings.
inline std::vector<std::byte> EncodeVorbis(std::span<const std::int16_t> values, long rate,
                                           int channels = 1, float quality = 0.5F, int serial = 1) {
  std::vector<std::byte> out;
  const auto append = [&out](const ogg_page& page) {
    const auto* header = reinterpret_cast<const std::byte*>(page.header);
    const auto* body = reinterpret_cast<const std::byte*>(page.body);
    out.insert(out.end(), header, header + page.header_len);
    out.insert(out.end(), body, body + page.body_len);
  };

  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
    vorbis_info_clear(&info);
    return out;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  ogg_packet identification;
  ogg_packet comments;
  ogg_packet codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
  ogg_stream_packetin(&stream, &identification);
  ogg_stream_packetin(&stream, &comments);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) append(page);

  const std::size_t frames = values.size() / static_cast<std::size_t>(channels);
  std::size_t done = 0;
  for (bool last = false; !last;) {
    const std::size_t count = std::min<std::size_t>(1024, frames - done);
    last = count == 0;
    if (last) {
      vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) {
          buffer[c][i] = static_cast<float>(values[(done + i) * static_cast<std::size_t>(channels) +
                                                   static_cast<std::size_t>(c)]) /
                         32768.0F;
        }
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(count));
      done += count;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) append(page);
      }
    }
  }
  while (ogg_stream_flush(&stream, &page) != 0) append(page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

// A stream of two links whose second one breaks off inside its headers: the link of `values`,
// then the first page of another (serial number 2) and half of its next page. vorbisfile opens
// it, but cannot read it to its end.
inline std::vector<std::byte> EncodeVorbisWithBrokenLink(std::span<const std::int16_t> values,
                                                         long rate) {
  std::vector<std::byte> out = EncodeVorbis(values, rate);
  const std::vector<std::byte> next = EncodeVorbis(values, rate, 1, 0.5F, 2);
  // The identification page: a 27-byte header, its segment sizes, then the packet.
  std::size_t firstPage = 27 + std::to_integer<std::size_t>(next[26]);
  for (std::size_t i = 0; i < std::to_integer<std::size_t>(next[26]); ++i)
    firstPage += std::to_integer<std::size_t>(next[27 + i]);
  const std::size_t cut = firstPage + (next.size() - firstPage) / 2;
  out.insert(out.end(), next.begin(), next.begin() + static_cast<std::ptrdiff_t>(cut));
  return out;
}

}  // namespace tolvane::testing
