// The floor an SFZ conversion is measured against: decoding its sample files with libsndfile on
// every core, each to 16-bit frames kept in memory (as the converter keeps them).
//
//   bench_sndfile_decode FILE_OR_FOLDER...
//
// A folder stands for every .flac and .wav file in it. Prints the number of bytes decoded (frames x
// channels x 2); exits 1 when a file cannot be decoded.

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Decoded {
  std::vector<short> values;
  bool ok = false;
};

Decoded Decode(const std::string& path) {
  SF_INFO info{};
  SNDFILE* const file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  Decoded decoded;
  decoded.values.resize(static_cast<std::size_t>(info.frames) *
                        static_cast<std::size_t>(info.channels));
  decoded.ok = sf_readf_short(file, decoded.values.data(), info.frames) == info.frames;
  sf_close(file);
  return decoded;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (!std::filesystem::is_directory(path)) {
      paths.push_back(path.string());
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(path))
      if (entry.path().extension() == ".flac" || entry.path().extension() == ".wav")
        paths.push_back(entry.path().string());
  }
  if (paths.empty()) {
    std::fprintf(stderr, "usage: bench_sndfile_decode FILE_OR_FOLDER...\n");
    return 2;
  }

  std::vector<Decoded> decoded(paths.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < paths.size(); i = next++) decoded[i] = Decode(paths[i]);
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  {
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < cores; ++t) threads.emplace_back(work);
    work();
  }

  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (!decoded[i].ok) {
      std::fprintf(stderr, "bench_sndfile_decode: %s: cannot be decoded\n", paths[i].c_str());
      return 1;
    }
    bytes += decoded[i].values.size() * sizeof(short);
  }
  std::printf("%llu\n", static_cast<unsigned long long>(bytes));
  return 0;
}
