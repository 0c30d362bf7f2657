#pragma once
// The volume of a cell and its esd from the esds of the six parameters.
#include <array>

struct VolumeWithEsd {
    float volume = 0.0f;
    float esd = 0.0f;
};

// V = abc sqrt(1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ); its esd by first-order propagation of
// independent parameter esds: σ(V)² = Σ (∂V/∂p · σ(p))², angles and their esds in degrees.
VolumeWithEsd cellVolume(const std::array<float, 6>& cell, const std::array<float, 6>& sigCell);
