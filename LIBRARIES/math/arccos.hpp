#pragma once
// Arc cosine in degrees that never fails.

// Arguments outside (-1, 1), where rounding may push the cosine of parallel or antiparallel axes,
// give exactly 0 or 180 degrees; NaN gives 0.
float arccosDegrees(float x);
