#pragma once
// Petroleum physics of the tank reports: a density measured at some
// temperature reduced to 20 °C through the density ladder, and a fuel volume
// reduced to 20 °C. All arithmetic is 80-bit extended (long double), as the
// figures printed by the reports were computed that way.

#include <string_view>

namespace tv {

// Density at 20 °C of a product of density `density` (g/cm3) measured at
// `temperature` °C. Densities the ladder cannot move by that many rows come
// back unchanged.
long double DensityAt20(long double density, long double temperature);

// Volume at 20 °C of `volume` litres measured at `temperature` °C; diesel
// fuel (a name containing "ДТ" in any letter case) expands less.
long double VolumeAt20(std::string_view fuelName, long double volume, long double temperature);

// Entry k (1..440) of the ladder, for tests and reports that print it.
long double DensityLadderEntry(int k);
inline constexpr int kDensityLadderSize = 440;

}  // namespace tv
