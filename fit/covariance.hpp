#pragma once
// The covariance of a fit's parameters and what follows from it: their esds and correlations, its
// scaling by chi2 / (n - p), and the esd of any quantity derived from the parameters.
#include <cstddef>
#include <span>
#include <vector>

class Covariance {
public:
    Covariance() = default;
    // A p x p matrix, row by row; empty when values is.
    explicit Covariance(std::vector<double> values);

    std::size_t size() const { return size_; }  // p
    bool empty() const { return size_ == 0; }
    double operator()(std::size_t a, std::size_t b) const { return values_[a * size_ + b]; }
    const std::vector<double>& values() const { return values_; }
    // Every element finite.
    bool finite() const;

    // The esd of parameter j: the root of its variance (0 where rounding leaves that below 0).
    double esd(std::size_t j) const;
    // C_ab / (esd_a esd_b); 0 where either esd is 0.
    double correlation(std::size_t a, std::size_t b) const;

    // The matrix times a factor: (J^T W J)^-1 times chi2 / (n - p), as crystallographic least
    // squares scales it so that the esds follow the scatter of the points.
    Covariance scaled(double factor) const;
    Covariance scaledByFit(double chi2, int dof) const { return scaled(chi2 / dof); }

    // The variance g^T C g and the esd sqrt(g^T C g) of a quantity with gradient g in the parameters
    // (first-order propagation).
    double variance(std::span<const double> gradient) const;
    double esdOf(std::span<const double> gradient) const;

private:
    std::size_t size_ = 0;
    std::vector<double> values_;
};
