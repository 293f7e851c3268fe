// Removed once the first foundation unit lands.
