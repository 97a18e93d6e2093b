#pragma once
// Four-point cubic (Catmull-Rom) interpolation between x0 and x1 at fraction f in [0, 1). At
// f = 0 it returns x0 itself, so integer positions reproduce the sample exactly.

namespace tolvane {

inline float InterpolateCubic(float xm1, float x0, float x1, float x2, float f) {
  const float c1 = 0.5F * (x1 - xm1);
  const float c2 = xm1 - 2.5F * x0 + 2.0F * x1 - 0.5F * x2;
  const float c3 = 0.5F * (x2 - xm1) + 1.5F * (x0 - x1);
  return ((c3 * f + c2) * f + c1) * f + x0;
}

}  // namespace tolvane
