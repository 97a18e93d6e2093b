// The transform against the plain sum that defines it, and back.

#include "analysis/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace tolvane {
namespace {

TEST(Fft, MatchesTheDefiningSumAndInvertsTimesItsSize) {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> value(-1, 1);
  for (const std::size_t n : {2u, 4u, 8u, 64u, 512u, 4096u}) {
    std::vector<std::complex<float>> x(n);
    for (auto& v : x) v = {value(random), value(random)};
    std::vector<float> re(n);
    std::vector<float> im(n);
    for (std::size_t j = 0; j < n; ++j) {
      re[j] = x[j].real();
      im[j] = x[j].imag();
    }
    const Fft fft(n);
    fft.Forward(re, im);
    // A few bins against the sum, in double.
    for (const std::size_t k : {std::size_t{0}, std::size_t{1}, n / 2, n - 1}) {
      std::complex<double> sum;
      for (std::size_t j = 0; j < n; ++j) {
        const double angle = -2 * std::numbers::pi * static_cast<double>(j * k % n) / n;
        sum += std::complex<double>(x[j]) * std::polar(1.0, angle);
      }
      EXPECT_NEAR(re[k], sum.real(), 1e-4 * n) << n << " bin " << k;
      EXPECT_NEAR(im[k], sum.imag(), 1e-4 * n) << n << " bin " << k;
    }
    fft.Inverse(re, im);
    for (std::size_t j = 0; j < n; ++j) {
      EXPECT_NEAR(re[j] / n, x[j].real(), 1e-5) << n;
      EXPECT_NEAR(im[j] / n, x[j].imag(), 1e-5) << n;
    }
  }
}

}  // namespace
}  // namespace tolvane
