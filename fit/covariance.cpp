#include "fit/covariance.hpp"

#include <algorithm>
#include <cmath>

Covariance::Covariance(std::vector<double> values)
    : size_(static_cast<std::size_t>(std::llround(std::sqrt(static_cast<double>(values.size()))))), values_(std::move(values)) {
    if (size_ * size_ != values_.size()) {
        size_ = 0;
        values_.clear();
    }
}

bool Covariance::finite() const {
    return std::all_of(values_.begin(), values_.end(), [](double v) { return std::isfinite(v); });
}

double Covariance::esd(std::size_t j) const { return std::sqrt(std::max((*this)(j, j), 0.0)); }

double Covariance::correlation(std::size_t a, std::size_t b) const {
    if (a == b) return esd(a) > 0.0 ? 1.0 : 0.0;  // exactly, whatever the roots round to
    const double s = esd(a) * esd(b);
    return s > 0.0 ? (*this)(a, b) / s : 0.0;
}

Covariance Covariance::scaled(double factor) const {
    std::vector<double> v = values_;
    for (double& c : v) c *= factor;
    return Covariance(std::move(v));
}

double Covariance::variance(std::span<const double> g) const {
    double v = 0.0;
    for (std::size_t a = 0; a < size_; ++a)
        for (std::size_t b = 0; b < size_; ++b) v += g[a] * (*this)(a, b) * g[b];
    return v;
}

double Covariance::esdOf(std::span<const double> gradient) const { return std::sqrt(std::max(variance(gradient), 0.0)); }
