#pragma once
// Arc cosine in degrees that never fails.

// Arguments outside (-1, 1) give exactly 0 or 180 degrees; rangeFlag is set to 0 inside,
// to 1 beyond 1.001 in magnitude, and left as it was otherwise (including NaN, which gives 0).
float ARCCOS(float x, int& rangeFlag);
