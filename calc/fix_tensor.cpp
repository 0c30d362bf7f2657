#include "calc/fix_tensor.hpp"

void FIX_TENSOR(Mat3& t, int crystalSystem) {
    if (crystalSystem <= 0) return;
    t(1, 2) = 0.0f;
    t(2, 3) = 0.0f;
    if (crystalSystem > 1) t(1, 3) = 0.0f;
    if (crystalSystem == 3 || crystalSystem == 4) t(1, 1) = t(2, 2) = (t(1, 1) + t(2, 2)) / 2.0f;
    if (crystalSystem == 5) t(1, 1) = t(2, 2) = t(3, 3) = (t(1, 1) + t(2, 2) + t(3, 3)) / 3.0f;
    t(2, 1) = t(1, 2);
    t(3, 1) = t(1, 3);
    t(3, 2) = t(2, 3);
}
