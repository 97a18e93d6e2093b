// What fitting saved, added up over files and said in words for the export's report.

#include <algorithm>
#include <cstdio>

#include "export/sample_fitting.h"
#include "library/instrument_texts.h"

namespace tolvane {

FitSavings& FitSavings::operator+=(const FitSavings& other) {
  trimmedSamples += other.trimmedSamples;
  trimmedBytes += other.trimmedBytes;
  monoSamples += other.monoSamples;
  foldedSamples += other.foldedSamples;
  monoBytes += other.monoBytes;
  resampledSamples += other.resampledSamples;
  loopFittedSamples += other.loopFittedSamples;
  if (other.loopFittedSamples > 0) {
    lowestLoopRate =
        lowestLoopRate == 0 ? other.lowestLoopRate : std::min(lowestLoopRate, other.lowestLoopRate);
    highestLoopRate = std::max(highestLoopRate, other.highestLoopRate);
  }
  resampledBytes += other.resampledBytes;
  resampleFailures += other.resampleFailures;
  return *this;
}

std::vector<std::string> FitSavingsTexts(const FitSavings& saved, const SampleFitting& fit) {
  const std::optional<double> trimDbfs = fit.trimDbfs;
  const MonoFold mono = fit.mono;
  std::vector<std::string> texts;
  char line[320];
  if (trimDbfs) {
    std::snprintf(line, sizeof line,
                  "trimmed %zu samples at their quiet ends (below %g dBFS): %s less sample data",
                  saved.trimmedSamples, *trimDbfs, SizeText(saved.trimmedBytes).c_str());
    texts.emplace_back(line);
  }
  if (mono == MonoFold::kSame) {
    std::snprintf(line, sizeof line,
                  "wrote %zu stereo samples with equal channels as mono: %s less sample data",
                  saved.monoSamples, SizeText(saved.monoBytes).c_str());
    texts.emplace_back(line);
  } else if (mono == MonoFold::kAll) {
    std::snprintf(line, sizeof line,
                  "folded %zu stereo samples to mono, the mean of their channels (%zu of them "
                  "differ between left and right, and lose their stereo image): %s less sample "
                  "data",
                  saved.monoSamples, saved.foldedSamples, SizeText(saved.monoBytes).c_str());
    texts.emplace_back(line);
  }
  if (fit.rate) {
    std::snprintf(line, sizeof line, "resampled %zu samples above %u Hz to it: %s less sample data",
                  saved.resampledSamples, *fit.rate, SizeText(saved.resampledBytes).c_str());
    texts.emplace_back(line);
    if (saved.loopFittedSamples > 0) {
      std::snprintf(line, sizeof line,
                    "%zu looped samples are at rates near %u Hz (%u to %u Hz), so that each "
                    "loop stays a whole number of frames and keeps its pitch",
                    saved.loopFittedSamples, *fit.rate, saved.lowestLoopRate,
                    saved.highestLoopRate);
      texts.emplace_back(line);
    }
    if (saved.resampleFailures > 0) {
      std::snprintf(line, sizeof line, "%zu samples could not be resampled and keep their rate",
                    saved.resampleFailures);
      texts.emplace_back(line);
    }
  }
  return texts;
}

}  // namespace tolvane
