#pragma once
// A radix-2 fast Fourier transform, for the correlations of the pitch measurement: the build
// takes no signal-processing library, and sizes here are small powers of two. Values are held
// as two arrays, real and imaginary parts, so that each stage runs over contiguous floats.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolvane {

class Fft {
 public:
  // REQUIRES: size is a power of two, at least 2.
  explicit Fft(std::size_t size);

  std::size_t size() const { return size_; }
  // In place, over size() values: value k is re[k] + i im[k]. The inverse is not scaled: a
  // forward then an inverse transform multiplies the values by size().
  void Forward(std::span<float> re, std::span<float> im) const { Transform(re, im, false); }
  void Inverse(std::span<float> re, std::span<float> im) const { Transform(re, im, true); }

 private:
  void Transform(std::span<float> re, std::span<float> im, bool inverse) const;

  std::size_t size_;
  // Per stage of half-length h (1, 2, 4, ...), from offset h - 1: e^(-pi i j / h), j < h.
  std::vector<float> twiddleRe_;
  std::vector<float> twiddleIm_;
  std::vector<std::uint32_t> reversed_;  // each index with its bits reversed
};

}  // namespace tolvane
