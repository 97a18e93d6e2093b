#include "analysis/yin.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace tolvane {
namespace {

std::size_t PowerOfTwoAtLeast(std::size_t n) {
  std::size_t size = 2;
  while (size < n) size *= 2;
  return size;
}

// The lowest point of the parabola through three values, or the middle one when they do not
// curve upwards.
double ParabolaLow(double before, double at, double after) {
  const double curve = before - 2 * at + after;
  if (curve <= 0) return at;
  return at - (before - after) * (before - after) / (8 * curve);
}

}  // namespace

double YinPitch::Depth(std::size_t tau) const {
  const double at = difference_[tau];
  if (at < kYinThreshold) return at;
  const double before = difference_[tau - 1];
  const double after = difference_[tau + 1];
  if (before < at || after < at) return at;  // not a dip
  return std::max(0.0, ParabolaLow(before, at, after));
}

double YinPitch::DifferenceAt(double lag) const {
  // The cross term as the inverse transform's sum at a lag between whole ones (the product
  // spectrum is symmetric, so its sum is real), the energies between lags as a line.
  const std::size_t n = fft_.size();
  const double step = 2 * std::numbers::pi * lag / static_cast<double>(n);
  const std::complex<double> turn = std::polar(1.0, step);
  std::complex<double> phase = turn;
  double sum = productRe_[0] + productRe_[n / 2] * std::cos(step * static_cast<double>(n) / 2);
  for (std::size_t k = 1; k < n / 2; ++k, phase *= turn)
    sum += 2 * (productRe_[k] * phase.real() - productIm_[k] * phase.imag());
  const double cross = sum / static_cast<double>(n);
  const auto whole = static_cast<std::size_t>(lag);
  const double part = lag - static_cast<double>(whole);
  const auto shifted = [&](std::size_t t) { return squares_[t + window_] - squares_[t]; };
  const double energy =
      (1 - part) * shifted(whole) + part * shifted(std::min(whole + 1, window_ - 1));
  return std::max(0.0, squares_[window_] + energy - 2 * cross);
}

YinPitch::YinPitch(std::uint32_t rate, double lowestHz, double highestHz)
    : rate_(rate),
      window_(WindowFor(rate, lowestHz)),
      shortest_(std::max<std::size_t>(2, static_cast<std::size_t>(rate / highestHz))),
      // The cross term of every lag up to the window, from one frame of twice its length: no
      // lag wraps round within this size.
      fft_(PowerOfTwoAtLeast(2 * window_)),
      re_(fft_.size()),
      im_(fft_.size()),
      productRe_(fft_.size()),
      productIm_(fft_.size()),
      difference_(window_),
      squares_(2 * window_ + 1) {}

PeriodEstimate YinPitch::Estimate(std::span<const float> frame) {
  const std::size_t w = window_;
  const std::size_t n = fft_.size();
  squares_[0] = 0;
  for (std::size_t i = 0; i < 2 * w; ++i)
    squares_[i + 1] = squares_[i] + static_cast<double>(frame[i]) * frame[i];
  const double energy = squares_[w];
  if (energy <= 0) return {};

  // r(tau) = sum over j < w of x[j] x[j + tau]: the first half against the whole frame, two
  // real transforms in one complex one (first half real, whole frame imaginary).
  for (std::size_t i = 0; i < n; ++i) {
    const float whole = i < 2 * w ? frame[i] : 0.0F;
    re_[i] = i < w ? whole : 0.0F;
    im_[i] = whole;
  }
  fft_.Forward(re_, im_);
  // Split the two spectra, A of the first half and B of the whole frame, and take conj(A) B;
  // the product is made for k and n - k at once, and is symmetric.
  for (std::size_t k = 0; k <= n / 2; ++k) {
    const std::size_t m = (n - k) % n;
    const float zr = re_[k];
    const float zi = im_[k];
    const float mr = re_[m];
    const float mi = -im_[m];  // conj(Z[n - k])
    const float ar = 0.5F * (zr + mr);
    const float ai = 0.5F * (zi + mi);
    const float br = 0.5F * (zi - mi);   // -i/2 (z - conj): real part
    const float bi = -0.5F * (zr - mr);  // and imaginary part
    const float pr = ar * br + ai * bi;
    const float pi = ar * bi - ai * br;
    productRe_[k] = re_[k] = pr;
    productIm_[k] = im_[k] = pi;
    productRe_[m] = re_[m] = pr;
    productIm_[m] = im_[m] = -pi;
  }
  fft_.Inverse(re_, im_);

  // d(tau) = e(0) + e(tau) - 2 r(tau), then normalised by its running mean.
  difference_[0] = 1;
  double running = 0;
  for (std::size_t tau = 1; tau < w; ++tau) {
    const double d = Raw(tau);
    running += d;
    difference_[tau] = running > 0 ? d * static_cast<double>(tau) / running : 1;
  }

  const std::size_t last = w - 2;  // leaves a neighbour on each side for the interpolation
  // The first dip under the threshold, its depth taken between the lags: a short period that
  // falls between two lags dips under it only there.
  std::size_t tau = shortest_;
  while (tau <= last && Depth(tau) >= kYinThreshold) ++tau;
  if (tau > last) {
    // No dip under the threshold: the deepest one, which the caller may judge aperiodic.
    tau = shortest_;
    for (std::size_t t = shortest_; t <= last; ++t)
      if (difference_[t] < difference_[tau]) tau = t;
  } else {
    while (tau < last && difference_[tau + 1] < difference_[tau]) ++tau;
  }
  double period = Refine(tau);
  double aperiodicity = std::min(difference_[tau], Depth(tau));
  // The octave below, while it matches far better, both differences taken at the refined lags
  // (at whole lags a bright sound's narrow dip looks shallower than it is). A dip that leaves
  // less than the share unmatched at its whole lag leaves less still between lags.
  const double share = kOctaveDownShare * energy;
  while (2 * period + 2 <= static_cast<double>(last) && Raw(tau) >= share) {
    const double here = DifferenceAt(period);
    if (here < share) break;
    const double longer = DifferenceAt(2 * period);
    if (longer >= kOctaveDownRatio * here) break;
    // The longer dip's own low: the shorter one's may lie a little off half of it.
    tau = static_cast<std::size_t>(std::lround(2 * period));
    while (tau > shortest_ && difference_[tau - 1] < difference_[tau]) --tau;
    while (tau < last && difference_[tau + 1] < difference_[tau]) ++tau;
    period = Refine(tau);
    // Normalised as the whole lag's difference is.
    const double raw = Raw(tau);
    aperiodicity =
        std::min({difference_[tau], Depth(tau), raw > 0 ? longer * difference_[tau] / raw : 0.0});
  }
  return {rate_ / period, aperiodicity};
}

double YinPitch::Refine(std::size_t tau) const {
  // The parabola through the raw differences around the dip.
  const double before = Raw(tau - 1);
  const double at = Raw(tau);
  const double after = Raw(tau + 1);
  const double curve = before - 2 * at + after;
  double period = static_cast<double>(tau);
  if (curve > 0) period += std::clamp(0.5 * (before - after) / curve, -1.0, 1.0);
  // A short period's dip is too narrow for a parabola over whole lags: again over half and an
  // eighth of a lag, the differences there taken from the spectrum.
  if (tau < kRefineBelowLag) {
    for (const double step : {0.5, 0.125}) {
      const double b = DifferenceAt(period - step);
      const double a = DifferenceAt(period);
      const double f = DifferenceAt(period + step);
      const double bend = b - 2 * a + f;
      if (bend > 0) period += step * std::clamp(0.5 * (b - f) / bend, -1.0, 1.0);
    }
  }
  return period;
}

double YinPitch::Raw(std::size_t tau) const {
  const double shifted = squares_[tau + window_] - squares_[tau];
  const double cross = static_cast<double>(re_[tau]) / static_cast<double>(fft_.size());
  return std::max(0.0, squares_[window_] + shifted - 2 * cross);
}

}  // namespace tolvane
