#include "foundation/FuelPhysics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

TEST(DensityLadder, MatchesThePublishedTable) {
  // Sums of the entries in ten-thousandths, plain and weighted by position,
  // computed by a separate script over the published table.
  long long sum = 0, weighted = 0;
  for (int k = 1; k <= kDensityLadderSize; ++k) {
    long long v = std::llround(DensityLadderEntry(k) * 10000);
    sum += v;
    weighted += v * k;
    if (k > 1) {
      EXPECT_GT(DensityLadderEntry(k), DensityLadderEntry(k - 1)) << "entry " << k;
    }
  }
  EXPECT_EQ(sum, 3772501);
  EXPECT_EQ(weighted, 880994927);
  EXPECT_EQ(DensityLadderEntry(1), 0.6900L);
  EXPECT_EQ(DensityLadderEntry(440), 0.9955L);
}

TEST(DensityAt20, MovesAlongTheLadderByTheTemperature) {
  // At 20 °C the density stays where it is.
  EXPECT_NEAR(static_cast<double>(DensityAt20(0.7505L, 20)), 0.7505, 1e-12);
  // Five degrees warmer: five rows heavier, at the same fraction (T[74]..T[75]).
  EXPECT_NEAR(static_cast<double>(DensityAt20(0.7505L, 25)), 0.7546, 1e-12);
  // Five degrees colder, between T[69]=0.7496 and T[70]=0.7505 at 4/9:
  // T[64] + 0.0004 * (T[65] - T[64]) / 0.0009 = 0.7454 + 0.0004 * 0.0008 / 0.0009.
  EXPECT_NEAR(static_cast<double>(DensityAt20(0.7500L, 15)), 0.7454 + 0.0004 * 0.0008 / 0.0009, 1e-12);
  // Above the ladder: extrapolated from T[439] and T[440], moved ten rows:
  // T[429] + (1.0 - T[439]) * (T[430] - T[429]) / (T[440] - T[439]).
  EXPECT_NEAR(static_cast<double>(DensityAt20(1.0L, 10)), 0.9899 + 0.0050, 1e-12);
}

TEST(DensityAt20, RefusesWhatTheLadderCannotHold) {
  EXPECT_EQ(DensityAt20(0.6900L, 5), 0.6900L);    // first entry: no lower neighbour
  EXPECT_EQ(DensityAt20(0.6900L, 40), 0.6900L);
  EXPECT_EQ(DensityAt20(0.5L, 20), 0.5L);         // below the ladder
  EXPECT_EQ(DensityAt20(0.8405L, 300), 0.8405L);  // would pass entry 440
  EXPECT_EQ(DensityAt20(0.7L, -300), 0.7L);       // would pass entry 1
  EXPECT_EQ(DensityAt20(0.75L, NAN), 0.75L);
}

TEST(DensityAt20, HalvesRoundToTheEvenRow) {
  // 20.5 °C at entry 70: rows 69.5 and 70.5 both round to 70.
  EXPECT_EQ(DensityAt20(0.7500L, 20.5L), DensityLadderEntry(70));
  // 21.5 °C: 70.5 -> 70 and 71.5 -> 72.
  long double expected = DensityLadderEntry(70) +
                         (0.7500L - DensityLadderEntry(69)) * (DensityLadderEntry(72) - DensityLadderEntry(70)) /
                             (DensityLadderEntry(70) - DensityLadderEntry(69));
  EXPECT_EQ(DensityAt20(0.7500L, 21.5L), expected);
}

// The reduction evaluated in plain double, to compare with extended.
double DensityAt20InDouble(double d, double t) {
  int i = kDensityLadderSize;
  for (int k = 1; k <= kDensityLadderSize; ++k)
    if (static_cast<double>(DensityLadderEntry(k)) >= d) {
      i = k;
      break;
    }
  if (i + t - 21 < 1 || i + t - 20 > kDensityLadderSize || i < 2) return d;
  auto T = [](double k) { return static_cast<double>(DensityLadderEntry(static_cast<int>(k))); };
  double a = std::nearbyint(i + t - 21), b = std::nearbyint(i + t - 20);
  return T(a) + (d - T(i - 1)) * (T(b) - T(a)) / (T(i) - T(i - 1));
}

TEST(DensityAt20, ExtendedPrecisionDecidesExactHalves) {
  // 0.6935 at 17.5 °C: i = 6, rows 2.5 -> 2 and 3.5 -> 4, so the result is
  // 0.6909 + 0.0001 * 0.0018 / 0.0012 = 0.69105 exactly on paper. Extended
  // arithmetic lands above the half and prints 0.6911; plain double lands
  // below and would print 0.6910.
  long double ext = DensityAt20(0.6935L, 17.5L);
  EXPECT_NEAR(static_cast<double>(ext), 0.69105, 1e-12);
  EXPECT_EQ(std::llround(static_cast<double>(ext) * 10000), 6911);
  EXPECT_EQ(std::llround(DensityAt20InDouble(0.6935, 17.5) * 10000), 6910);

  // Elsewhere on the ladder the two agree to far below the printed digits.
  for (int d = 6900; d <= 9999; d += 3) {
    for (int t2 = -80; t2 <= 100; t2 += 3) {
      double dbl = DensityAt20InDouble(d / 10000.0, t2 / 2.0);
      EXPECT_NEAR(static_cast<double>(DensityAt20(d / 10000.0L, t2 / 2.0L)), dbl, 1e-12);
    }
  }
}

TEST(VolumeAt20, CorrectsForExpansionByFuelClass) {
  EXPECT_EQ(VolumeAt20("АИ-92"_w, 1000, 20), 1000);
  EXPECT_EQ(VolumeAt20("ДТ"_w, 1000, 20), 1000);
  EXPECT_NEAR(static_cast<double>(VolumeAt20("АИ-95"_w, 1000, 30)), 1000 * 1.00022 * 0.989, 1e-9);
  EXPECT_NEAR(static_cast<double>(VolumeAt20("дт летнее"_w, 1000, 30)), 1000 * 1.00022 * 0.992, 1e-9);
}

TEST(VolumeAt20, AgreesWithTheTextbookCorrection) {
  // Textbook: V20 = V * (1 - beta * (t - 20)) with beta about 0.0011/K for
  // petrol and 0.0008/K for diesel (less the tank steel's expansion). Within
  // the station's temperature range the two agree to a tenth of a percent.
  for (int t = -30; t <= 45; t += 5) {
    double petrol = static_cast<double>(VolumeAt20("АИ-92"_w, 1000, t));
    double diesel = static_cast<double>(VolumeAt20("ДТ"_w, 1000, t));
    EXPECT_NEAR(petrol, 1000 * (1 - 0.001078 * (t - 20)), 1.0) << t;
    EXPECT_NEAR(diesel, 1000 * (1 - 0.000778 * (t - 20)), 1.0) << t;
  }
}

}  // namespace
}  // namespace tv
