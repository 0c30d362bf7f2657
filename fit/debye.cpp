#include "fit/debye.hpp"

#include <gsl/gsl_integration.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

#include "fit/gsl_support.hpp"

namespace {

constexpr std::size_t kIntervals = 64;

struct WorkspaceFree {
    void operator()(gsl_integration_workspace* w) const { gsl_integration_workspace_free(w); }
};

double integrand(double x, void*) {
    // x^3/(e^x - 1) -> x^2 as x -> 0; expm1 keeps the digits there.
    if (x <= 0.0) return 0.0;
    return x * x * x / std::expm1(x);
}

}  // namespace

double debyeIntegral(double u) {
    if (!(u >= 0.0) || !std::isfinite(u)) return std::numeric_limits<double>::quiet_NaN();
    if (u == 0.0) return 0.0;
    // Beyond x = 60 the integrand is below 1e-20 of its peak: the whole integral, pi^4/15.
    if (u > 60.0) u = 60.0;
    // One workspace per thread: the fits may run beside the calculations.
    thread_local const std::unique_ptr<gsl_integration_workspace, WorkspaceFree> workspace(
        gsl_integration_workspace_alloc(kIntervals));
    const GslErrorsAsValues errors;
    gsl_function f{integrand, nullptr};
    double result = 0.0, error = 0.0;
    if (gsl_integration_qag(&f, 0.0, u, 0.0, 1e-12, kIntervals, GSL_INTEG_GAUSS21, workspace.get(), &result, &error) !=
        GSL_SUCCESS)
        return std::numeric_limits<double>::quiet_NaN();
    return result;
}

double debyeEnergy(double t, double theta) {
    if (!(t > 0.0) || !(theta > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    const double ratio = t / theta;
    return 9.0 * t * ratio * ratio * ratio * debyeIntegral(theta / t);
}
