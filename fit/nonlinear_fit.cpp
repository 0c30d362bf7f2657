#include "fit/nonlinear_fit.hpp"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <span>

#include "fit/gsl_support.hpp"

namespace {

constexpr double kXTolerance = 1e-8;  // relative step size at convergence
constexpr double kGTolerance = 1e-8;  // scaled gradient at convergence
// Residuals where the model is undefined: large enough that no step into such a region is ever
// accepted, small enough that their squares still add up.
constexpr double kOutsideResidual = 1e100;
// Eigenvalues of the normal matrix of the column-normalised Jacobian below this fraction of the
// largest (singular values of the Jacobian below about 3e-7 of the largest): the parameters are
// not determined by the data. Rounding alone leaves eigenvalues of about 1e-16 of the largest.
constexpr double kSingularRatio = 1e-13;
// Gauss-Newton steps a refinement takes at most before it hands over to the trust region, and
// the step, relative to each parameter, below which it has settled (the trust region's own
// test on the step).
constexpr int kRefineSteps = 8;
constexpr double kRefineSettled = kXTolerance;

// The residuals and the Jacobian go straight into the solver's own vector and matrix (contiguous,
// as it allocates them): copies of them would be 8 bytes a point and a parameter more.
struct Context {
    const NonlinearProblem* problem;
    std::vector<double> x;
    std::vector<double> spare;  // only for a vector or matrix with gaps, which the solver does not make
};

int residualFunction(const gsl_vector* x, void* params, gsl_vector* f) {
    auto* c = static_cast<Context*>(params);
    for (std::size_t j = 0; j < c->x.size(); ++j) c->x[j] = gsl_vector_get(x, j);
    const std::size_t n = f->size;
    const bool contiguous = f->stride == 1;
    if (!contiguous) c->spare.assign(n, 0.0);
    const std::span<double> r = contiguous ? std::span<double>(f->data, n) : std::span<double>(c->spare);
    const bool inside = c->problem->residuals(c->x, r);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = r[i];
        f->data[i * f->stride] = inside && std::isfinite(v) ? v : kOutsideResidual;
    }
    return GSL_SUCCESS;
}

int jacobianFunction(const gsl_vector* x, void* params, gsl_matrix* J) {
    auto* c = static_cast<Context*>(params);
    for (std::size_t j = 0; j < c->x.size(); ++j) c->x[j] = x->data[j * x->stride];
    const std::size_t n = J->size1;
    const std::size_t p = c->x.size();
    const bool contiguous = J->tda == p;
    if (!contiguous) c->spare.assign(n * p, 0.0);
    const std::span<double> jacobian = contiguous ? std::span<double>(J->data, n * p) : std::span<double>(c->spare);
    if (contiguous) std::fill(jacobian.begin(), jacobian.end(), 0.0);
    c->problem->jacobian(c->x, jacobian);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < p; ++j) {
            const double v = jacobian[i * p + j];
            J->data[i * J->tda + j] = std::isfinite(v) ? v : 0.0;
        }
    return GSL_SUCCESS;
}

struct GslFree {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};

bool evaluate(const NonlinearProblem& problem, const std::vector<double>& x, std::vector<double>& r) {
    r.assign(problem.points, 0.0);
    if (!problem.residuals(x, r)) return false;
    return std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

std::optional<Linearisation> linearise(const NonlinearProblem& problem, const std::vector<double>& parameters) {
    const std::size_t n = problem.points;
    const std::size_t p = problem.parameters;
    if (n < p || p == 0) return std::nullopt;
    std::vector<double> r;
    if (!evaluate(problem, parameters, r)) return std::nullopt;
    const GslErrorsAsValues errors;
    // The Jacobian (the problem's own, or by central differences), row by row.
    std::vector<double> jacobian(n * p, std::numeric_limits<double>::quiet_NaN());
    if (problem.jacobian) {
        problem.jacobian(parameters, jacobian);
    } else {
        std::vector<double> up, down;
        for (std::size_t j = 0; j < p; ++j) {
            const double typical = j < problem.typical.size() ? problem.typical[j] : 0.0;
            const double h = 1e-6 * std::max(std::fabs(parameters[j]), std::fabs(typical) > 0.0 ? std::fabs(typical) : 1e-6);
            std::vector<double> x = parameters;
            x[j] = parameters[j] + h;
            if (!evaluate(problem, x, up)) return std::nullopt;
            x[j] = parameters[j] - h;
            if (!evaluate(problem, x, down)) return std::nullopt;
            // d(obs - calc)/d theta.
            for (std::size_t i = 0; i < n; ++i) jacobian[i * p + j] = (up[i] - down[i]) / (2.0 * h);
        }
    }
    // The normal equations J^T J and J^T r in one pass over the points: with a handful of
    // parameters they are a few numbers, where a decomposition of J itself would be of every point.
    std::vector<double> normal(p * p, 0.0);
    std::vector<double> gradient(p, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double* row = &jacobian[i * p];
        for (std::size_t a = 0; a < p; ++a) {
            gradient[a] += row[a] * r[i];
            for (std::size_t b = 0; b <= a; ++b) normal[a * p + b] += row[a] * row[b];
        }
    }
    // Each column of J normalised to unit length (J^T J to a unit diagonal), so that the test of
    // singularity compares the parameters' directions, not their units.
    std::vector<double> norms(p);
    for (std::size_t j = 0; j < p; ++j) {
        norms[j] = std::sqrt(normal[j * p + j]);
        if (!(norms[j] > 0.0) || !std::isfinite(norms[j])) return std::nullopt;
    }
    const std::unique_ptr<gsl_matrix, GslFree> N(gsl_matrix_alloc(p, p));
    for (std::size_t a = 0; a < p; ++a)
        for (std::size_t b = 0; b <= a; ++b) {
            const double v = normal[a * p + b] / (norms[a] * norms[b]);
            gsl_matrix_set(N.get(), a, b, v);
            gsl_matrix_set(N.get(), b, a, v);
        }
    // N = V L V^T (symmetric, so its singular vectors are its eigenvectors) gives N^-1 = V L^-1 V^T.
    const std::unique_ptr<gsl_matrix, GslFree> V(gsl_matrix_alloc(p, p));
    const std::unique_ptr<gsl_vector, GslFree> L(gsl_vector_alloc(p));
    const std::unique_ptr<gsl_vector, GslFree> work(gsl_vector_alloc(p));
    if (gsl_linalg_SV_decomp(N.get(), V.get(), L.get(), work.get()) != GSL_SUCCESS) return std::nullopt;
    const double largest = gsl_vector_get(L.get(), 0);
    for (std::size_t k = 0; k < p; ++k)
        if (!(gsl_vector_get(L.get(), k) > kSingularRatio * largest)) return std::nullopt;
    Linearisation result;
    std::vector<double> covariance(p * p, 0.0);
    for (std::size_t a = 0; a < p; ++a)
        for (std::size_t b = 0; b < p; ++b) {
            double sum = 0.0;
            for (std::size_t k = 0; k < p; ++k)
                sum += gsl_matrix_get(V.get(), a, k) * gsl_matrix_get(V.get(), b, k) / gsl_vector_get(L.get(), k);
            covariance[a * p + b] = sum / (norms[a] * norms[b]);
        }
    result.covariance = Covariance(covariance);
    // The Gauss-Newton step (J^T J)^-1 J^T r in the parameters' own units.
    result.step.assign(p, 0.0);
    for (std::size_t a = 0; a < p; ++a)
        for (std::size_t b = 0; b < p; ++b) result.step[a] += covariance[a * p + b] * gradient[b];
    return result;
}

Covariance covarianceAt(const NonlinearProblem& problem, const std::vector<double>& parameters) {
    const std::optional<Linearisation> local = linearise(problem, parameters);
    return local ? local->covariance : Covariance{};
}

namespace {

// Whether a Gauss-Newton step from the parameters would move none of them by more than a
// millionth of its size: a minimum, whatever the solver's own tests said.
bool atMinimum(const NonlinearProblem& problem, const Linearisation& local, const std::vector<double>& x) {
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double typical = j < problem.typical.size() ? std::fabs(problem.typical[j]) : 0.0;
        if (!(std::fabs(local.step[j]) <= 1e-6 * std::max(std::fabs(x[j]), typical))) return false;
    }
    return true;
}

// Whether the Gauss-Newton step would move no parameter by more than the trust region's own
// tolerance on a step.
bool settledAt(const NonlinearProblem& problem, const Linearisation& local, const std::vector<double>& x) {
    for (std::size_t j = 0; j < x.size(); ++j) {
        const double typical = j < problem.typical.size() ? std::fabs(problem.typical[j]) : 0.0;
        if (!(std::fabs(local.step[j]) <= kRefineSettled * (std::max(std::fabs(x[j]), typical) + kRefineSettled))) return false;
    }
    return true;
}

}  // namespace

NonlinearSolution solveLeastSquares(const NonlinearProblem& problem, const std::vector<double>& start) {
    NonlinearSolution solution;
    const std::size_t n = problem.points;
    const std::size_t p = problem.parameters;
    if (n <= p) {
        solution.reason = "fewer than " + std::to_string(p + 1) + " points";
        return solution;
    }
    std::vector<double> r;
    if (!evaluate(problem, start, r)) {
        solution.reason = "no starting point inside the model's domain";
        return solution;
    }

    const GslErrorsAsValues errors;
    Context context{&problem, std::vector<double>(p), {}};
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residualFunction;
    fdf.df = problem.jacobian ? jacobianFunction : nullptr;  // else by finite differences
    fdf.fvv = nullptr;
    fdf.n = n;
    fdf.p = p;
    fdf.params = &context;
    gsl_multifit_nlinear_parameters settings = gsl_multifit_nlinear_default_parameters();
    settings.fdtype = GSL_MULTIFIT_NLINEAR_FWDIFF;  // the covariance takes central differences of its own
    // With many more points than parameters, the normal equations are far cheaper per step than a QR
    // decomposition of the whole Jacobian; the scaling keeps them well conditioned.
    settings.solver = gsl_multifit_nlinear_solver_cholesky;
    const std::unique_ptr<gsl_multifit_nlinear_workspace, GslFree> w(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings, n, p));
    const std::unique_ptr<gsl_vector, GslFree> x0(gsl_vector_alloc(p));
    for (std::size_t j = 0; j < p; ++j) gsl_vector_set(x0.get(), j, start[j]);
    if (gsl_multifit_nlinear_init(x0.get(), &fdf, w.get()) != GSL_SUCCESS) {
        solution.reason = "the solver could not start";
        return solution;
    }
    int info = 0;
    const int status = gsl_multifit_nlinear_driver(problem.maxIterations, kXTolerance, kGTolerance, 0.0, nullptr, nullptr,
                                                   &info, w.get());
    solution.iterations = static_cast<int>(gsl_multifit_nlinear_niter(w.get()));

    const gsl_vector* x = gsl_multifit_nlinear_position(w.get());
    solution.parameters.assign(x->data, x->data + p);
    for (std::size_t j = 0; j < p; ++j) solution.parameters[j] = gsl_vector_get(x, j);
    // The solver also stops without success where no step lowers the sum, which happens at a
    // minimum too (it may start there): the Gauss-Newton step decides.
    std::optional<Linearisation> local;
    if (status != GSL_SUCCESS) local = linearise(problem, solution.parameters);
    const bool converged = status == GSL_SUCCESS || (local && atMinimum(problem, *local, solution.parameters));
    if (!converged) {
        solution.reason = status == GSL_EMAXITER ? "no convergence in " + std::to_string(problem.maxIterations) + " iterations"
                                                 : "no convergence";
        return solution;
    }
    if (!evaluate(problem, solution.parameters, r)) {
        solution.reason = "no solution inside the model's domain";
        return solution;
    }
    solution.chi2 = 0.0;
    for (const double v : r) solution.chi2 += v * v;
    if (local) {
        solution.covariance = local->covariance;
    } else {
        // From the solver's own Jacobian (forward differences): good enough to judge a weighting
        // pass by; covarianceAt gives the precise one.
        const std::unique_ptr<gsl_matrix, GslFree> covar(gsl_matrix_alloc(p, p));
        if (gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(w.get()), 1e-12, covar.get()) == GSL_SUCCESS) {
            std::vector<double> values(p * p);
            for (std::size_t a = 0; a < p; ++a)
                for (std::size_t b = 0; b < p; ++b) values[a * p + b] = gsl_matrix_get(covar.get(), a, b);
            solution.covariance = Covariance(std::move(values));
            if (!solution.covariance.finite()) solution.covariance = {};
        }
    }
    if (solution.covariance.empty()) {
        solution.reason = "singular covariance: the data do not determine every parameter";
        return solution;
    }
    solution.ok = true;
    return solution;
}

NonlinearSolution refineLeastSquares(const NonlinearProblem& problem, const std::vector<double>& start) {
    std::vector<double> x = start;
    std::vector<double> r;
    if (!evaluate(problem, x, r)) return solveLeastSquares(problem, start);
    double chi2 = 0.0;
    for (const double v : r) chi2 += v * v;
    for (int step = 0; step < kRefineSteps; ++step) {
        const std::optional<Linearisation> local = linearise(problem, x);
        if (!local) break;
        if (settledAt(problem, *local, x)) {
            NonlinearSolution solution;
            solution.ok = true;
            solution.parameters = x;
            solution.covariance = local->covariance;
            solution.chi2 = chi2;
            solution.iterations = step;
            return solution;
        }
        // J is d(residual)/d(parameter), so the step that lowers the sum is taken away.
        std::vector<double> next = x;
        for (std::size_t j = 0; j < x.size(); ++j) next[j] -= local->step[j];
        if (!evaluate(problem, next, r)) break;
        double nextChi2 = 0.0;
        for (const double v : r) nextChi2 += v * v;
        if (!(nextChi2 <= chi2)) break;
        x = std::move(next);
        chi2 = nextChi2;
    }
    // Not settled by plain steps: the trust region from the best point found.
    return solveLeastSquares(problem, x);
}