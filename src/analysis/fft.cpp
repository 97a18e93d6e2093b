#include "analysis/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace tolvane {
namespace {

// One stage's butterflies over a block: a = a + w b, b = a - w b. The halves never overlap, and
// saying so lets the compiler run the loop in vector registers.
void Butterflies(float* __restrict ar, float* __restrict ai, float* __restrict br,
                 float* __restrict bi, const float* __restrict wr, const float* __restrict wi,
                 float sign, std::size_t half) {
  for (std::size_t j = 0; j < half; ++j) {
    const float si = sign * wi[j];
    const float tr = br[j] * wr[j] - bi[j] * si;
    const float ti = br[j] * si + bi[j] * wr[j];
    br[j] = ar[j] - tr;
    bi[j] = ai[j] - ti;
    ar[j] += tr;
    ai[j] += ti;
  }
}

}  // namespace

Fft::Fft(std::size_t size)
    : size_(size), twiddleRe_(size - 1), twiddleIm_(size - 1), reversed_(size) {
  for (std::size_t half = 1; half < size; half *= 2) {
    for (std::size_t j = 0; j < half; ++j) {
      const double angle = -std::numbers::pi * static_cast<double>(j) / static_cast<double>(half);
      twiddleRe_[half - 1 + j] = static_cast<float>(std::cos(angle));
      twiddleIm_[half - 1 + j] = static_cast<float>(std::sin(angle));
    }
  }
  std::size_t bits = 0;
  while ((std::size_t{1} << bits) < size) ++bits;
  for (std::size_t i = 0; i < size; ++i) {
    std::uint32_t r = 0;
    for (std::size_t b = 0; b < bits; ++b)
      r |= static_cast<std::uint32_t>(((i >> b) & 1) << (bits - 1 - b));
    reversed_[i] = r;
  }
}

void Fft::Transform(std::span<float> re, std::span<float> im, bool inverse) const {
  for (std::size_t i = 0; i < size_; ++i) {
    if (i < reversed_[i]) {
      std::swap(re[i], re[reversed_[i]]);
      std::swap(im[i], im[reversed_[i]]);
    }
  }
  const float sign = inverse ? -1.0F : 1.0F;
  for (std::size_t half = 1; half < size_; half *= 2) {
    const float* wr = twiddleRe_.data() + half - 1;
    const float* wi = twiddleIm_.data() + half - 1;
    for (std::size_t block = 0; block < size_; block += 2 * half) {
      float* ar = re.data() + block;
      float* ai = im.data() + block;
      Butterflies(ar, ai, ar + half, ai + half, wr, wi, sign, half);
    }
  }
}

}  // namespace tolvane
