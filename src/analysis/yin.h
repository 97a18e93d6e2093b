#pragma once
// The YIN estimate of a sound's fundamental period (de Cheveigne and Kawahara, "YIN, a
// fundamental frequency estimator for speech and music", JASA 2002): the difference of a frame
// with itself delayed, normalised by its cumulative mean; the first dip under a threshold,
// taken to its local minimum and refined by parabolic interpolation. A first dip that a dip at
// twice its lag far outdoes is a strong second partial's: the longer period is taken.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/fft.h"

namespace tolvane {

// The pitches looked for: a little below 40 Hz, a little above 4 kHz.
inline constexpr double kLowestPitchHz = 35;
inline constexpr double kHighestPitchHz = 5000;
// The paper's absolute threshold on the normalised difference (it names 0.1 to 0.15).
inline constexpr double kYinThreshold = 0.15;
// Periods shorter than this many frames are refined between whole lags.
inline constexpr std::size_t kRefineBelowLag = 64;
// The lag twice as long is weighed when the first dip leaves at least this share of the frame's
// energy unmatched (less leaves the octave above nearly all of the sound), and taken when its
// difference is under kOctaveDownRatio of the first dip's: a sound periodic at the first lag
// matches itself about as well at twice it, or worse as it changes.
inline constexpr double kOctaveDownShare = 0.01;
inline constexpr double kOctaveDownRatio = 0.2;

struct PeriodEstimate {
  double hz = 0;
  // The normalised difference at the period found: 0 for a periodic frame, near 1 for noise.
  double aperiodicity = 1;
};

// One estimator per thread: it keeps its buffers between frames.
class YinPitch {
 public:
  // REQUIRES: rate > 0, 0 < lowestHz < highestHz.
  explicit YinPitch(std::uint32_t rate, double lowestHz = kLowestPitchHz,
                    double highestHz = kHighestPitchHz);

  // The frames one estimate reads: twice the longest period looked for.
  std::size_t frameLength() const { return 2 * window_; }
  // The same, before an estimator is made.
  static std::size_t FrameLengthFor(std::uint32_t rate, double lowestHz) {
    return 2 * WindowFor(rate, lowestHz);
  }

  // The period of the first frameLength() values of `frame`. A silent frame is aperiodic.
  // REQUIRES: frame.size() >= frameLength().
  PeriodEstimate Estimate(std::span<const float> frame);

 private:
  static std::size_t WindowFor(std::uint32_t rate, double lowestHz) {
    return static_cast<std::size_t>(std::ceil(rate / lowestHz)) + 2;
  }
  // The period of the dip whose local minimum is whole lag `tau`, between lags.
  double Refine(std::size_t tau) const;
  // The raw difference at whole lag `tau`.
  double Raw(std::size_t tau) const;
  // The normalised difference at lag `tau`, or where it dips lowest between its neighbours.
  double Depth(std::size_t tau) const;
  // The raw difference at a lag between whole ones.
  double DifferenceAt(double lag) const;

  std::uint32_t rate_;
  std::size_t window_;    // the integration window, also the longest lag
  std::size_t shortest_;  // the shortest lag looked at
  Fft fft_;
  std::vector<float> re_;  // the transform's values
  std::vector<float> im_;
  // The product of the two spectra, kept for DifferenceAt.
  std::vector<float> productRe_;
  std::vector<float> productIm_;
  std::vector<double> difference_;
  std::vector<double> squares_;  // running sums of squares, for the energy terms
};

}  // namespace tolvane
