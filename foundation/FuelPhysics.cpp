#include "foundation/FuelPhysics.h"

#include <cmath>
#include <string>

#include "foundation/DensityLadder.h"
#include "platform/text/Cp1251.h"
#include "platform/RtlMath.h"

namespace tv {
namespace {

using density_detail::kDensityLadder;

long double T(long double k) { return kDensityLadder[static_cast<int>(k) - 1]; }

}  // namespace

long double DensityLadderEntry(int k) { return kDensityLadder[k - 1]; }

long double DensityAt20(long double density, long double temperature) {
  int i = kDensityLadderSize;
  for (int k = 1; k <= kDensityLadderSize; ++k) {
    if (kDensityLadder[k - 1] >= density) {
      i = k;
      break;
    }
  }
  const long double lower = i + temperature - 21;
  const long double upper = i + temperature - 20;
  // NaN temperatures fail every comparison: refuse them as well.
  if (!(lower >= 1) || !(upper <= kDensityLadderSize) || i < 2) return density;
  const long double a = static_cast<long double>(Round(lower));
  const long double b = static_cast<long double>(Round(upper));
  const long double result = T(a) + (density - T(i - 1)) * (T(b) - T(a)) / (T(i) - T(i - 1));
  return std::isfinite(result) ? result : density;
}

long double VolumeAt20(std::string_view fuelName, long double volume, long double temperature) {
  const long double k = AnsiUpperCase(fuelName).find("ДТ"_w) != std::string::npos ? 0.0008L : 0.0011L;
  return volume * (1 + 0.000022L * (temperature - 20)) * (1 + k * (20 - temperature));
}

}  // namespace tv
