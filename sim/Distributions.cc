#include "sim/Distributions.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "sim/cRNG.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Largest Poisson mean whose draws still fit an int with room to spare.
constexpr double kMaxPoissonMean = 1073741824.0;

// Results that an int cannot hold are returned as INT_MAX.
int saturateToInt(double x)
{
    return x >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(x);
}

// Marsaglia's polar method. The second value of each pair is dropped, so a
// draw depends on the generator's state alone and reseeding restarts it.
double standardNormal(cRNG& g)
{
    for (;;) {
        double u = 2.0 * g.doubleRand() - 1.0;
        double v = 2.0 * g.doubleRand() - 1.0;
        double s = u * u + v * v;
        if (s < 1.0 && s > 0.0)
            return u * std::sqrt(-2.0 * std::log(s) / s);
    }
}

// Marsaglia and Tsang's squeeze-and-reject method, valid for alpha >= 1.
double gammaShapeAtLeastOne(double alpha, cRNG& g)
{
    const double d = alpha - 1.0 / 3.0;
    const double c = 1.0 / std::sqrt(9.0 * d);
    for (;;) {
        double x, v;
        do {
            x = standardNormal(g);
            v = 1.0 + c * x;
        } while (v <= 0.0);
        v = v * v * v;
        double u = g.doubleRandNonzero();
        double x2 = x * x;
        if (u < 1.0 - 0.0331 * x2 * x2)
            return d * v;
        if (std::log(u) < 0.5 * x2 + d * (1.0 - v + std::log(v)))
            return d * v;
    }
}

// Gamma of shape alpha and scale 1. Below shape 1 a Gamma(alpha + 1) draw is
// scaled by u^(1/alpha), which has exactly the Gamma(alpha) law.
double standardGamma(double alpha, cRNG& g)
{
    if (alpha >= 1.0)
        return gammaShapeAtLeastOne(alpha, g);
    double y = gammaShapeAtLeastOne(alpha + 1.0, g);
    return y * std::pow(g.doubleRandNonzero(), 1.0 / alpha);
}

// The logarithm of a standard Gamma draw, which stays finite for small shapes
// where u^(1/alpha) underflows to 0.
double logStandardGamma(double alpha, cRNG& g)
{
    if (alpha >= 1.0)
        return std::log(gammaShapeAtLeastOne(alpha, g));
    double y = gammaShapeAtLeastOne(alpha + 1.0, g);
    return std::log(y) + std::log(g.doubleRandNonzero()) / alpha;
}

// A standard normal conditioned on z >= a, for a > 0: Robert's rejection from
// an exponential shifted to a, whose rate is tuned to a.
double normalTailFrom(double a, cRNG& g)
{
    const double rate = 0.5 * (a + std::sqrt(a * a + 4.0));
    for (;;) {
        double z = a - std::log(g.doubleRandNonzero()) / rate;
        double d = z - rate;
        if (std::log(g.doubleRandNonzero()) <= -0.5 * d * d)
            return z;
    }
}

// Poisson by counting uniforms until their product falls below e^-lambda;
// for small means, where it needs about lambda + 1 uniforms.
int poissonByProduct(double lambda, cRNG& g)
{
    const double limit = std::exp(-lambda);
    int k = 0;
    double product = g.doubleRand();
    while (product > limit) {
        k++;
        product *= g.doubleRand();
    }
    return k;
}

// Hörmann's transformed rejection with squeeze (PTRS), exact for lambda >= 10
// at a cost that does not grow with lambda.
int poissonPtrs(double lambda, cRNG& g)
{
    const double sqrtLambda = std::sqrt(lambda);
    const double logLambda = std::log(lambda);
    const double b = 0.931 + 2.53 * sqrtLambda;
    const double a = -0.059 + 0.02483 * b;
    const double logInvAlpha = std::log(1.1239 + 1.1328 / (b - 3.4));
    const double vr = 0.9277 - 3.6224 / (b - 2.0);
    for (;;) {
        double u = g.doubleRandNonzero() - 0.5;
        double v = g.doubleRand();
        double us = 0.5 - std::fabs(u);
        double k = std::floor((2.0 * a / us + b) * u + lambda + 0.43);
        if (us >= 0.07 && v <= vr)
            return static_cast<int>(k);
        if (k < 0.0 || k > INT_MAX || (us < 0.013 && v > us))
            continue;
        if (std::log(v) + logInvAlpha - std::log(a / (us * us) + b) <= -lambda + k * logLambda - std::lgamma(k + 1.0))
            return static_cast<int>(k);
    }
}

int poissonDraw(double lambda, cRNG& g)
{
    if (lambda == 0.0)
        return 0;
    if (lambda > kMaxPoissonMean)
        return INT_MAX;
    return lambda > 30.0 ? poissonPtrs(lambda, g) : poissonByProduct(lambda, g);
}

// Binomial by inversion, searching up from 0; for n p < 10 and p <= 1/2,
// where q^n cannot underflow and the search is short.
int binomialByInversion(int n, double p, cRNG& g)
{
    const double q = 1.0 - p;
    const double ratio = p / q;
    const double f0 = std::pow(q, n);
    for (;;) {
        double u = g.doubleRand();
        double f = f0;
        int k = 0;
        while (u >= f && k <= n) {
            u -= f;
            k++;
            f *= ratio * (n - k + 1) / k;
        }
        // Rounding can leave u above the whole mass; draw again.
        if (k <= n)
            return k;
    }
}

// Hörmann's transformed rejection (BTRS), exact for n p >= 10 and p <= 1/2.
int binomialBtrs(int n, double p, cRNG& g)
{
    const double q = 1.0 - p;
    const double spq = std::sqrt(n * p * q);
    const double b = 1.15 + 2.53 * spq;
    const double a = -0.0873 + 0.0248 * b + 0.01 * p;
    const double c = n * p + 0.5;
    const double vr = 0.92 - 4.2 / b;
    const double alpha = (2.83 + 5.1 / b) * spq;
    const double logRatio = std::log(p / q);
    const double m = std::floor((n + 1) * p);
    const double h = std::lgamma(m + 1.0) + std::lgamma(n - m + 1.0);
    for (;;) {
        double u = g.doubleRandNonzero() - 0.5;
        double v = g.doubleRand();
        double us = 0.5 - std::fabs(u);
        double k = std::floor((2.0 * a / us + b) * u + c);
        if (k < 0.0 || k > n)
            continue;
        if (us >= 0.07 && v <= vr)
            return static_cast<int>(k);
        v = std::log(v * alpha / (a / (us * us) + b));
        if (v <= h - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) + (k - m) * logRatio)
            return static_cast<int>(k);
    }
}

// p in (0, 1/2].
int binomialDraw(int n, double p, cRNG& g)
{
    return n * p < 10.0 ? binomialByInversion(n, p, g) : binomialBtrs(n, p, g);
}

// Failures before a success: the floor of an exponential of rate -log(1 - p),
// for p in (0, 1).
double geometricDraw(double logFailure, cRNG& g)
{
    return std::floor(std::log(g.doubleRandNonzero()) / logFailure);
}

bool isProbability(double p)
{
    return p >= 0.0 && p <= 1.0;
}

} // namespace

double uniform(double a, double b, int rng)
{
    if (!(a <= b))
        throwError("uniform(): a=%g is greater than b=%g", a, b);
    return a + (b - a) * randomGenerator(rng).doubleRand();
}

double exponential(double mean, int rng)
{
    if (!(mean > 0.0))
        throwError("exponential(): mean must be positive, got %g", mean);
    return -mean * std::log(randomGenerator(rng).doubleRandNonzero());
}

double normal(double mean, double stddev, int rng)
{
    if (!(stddev >= 0.0))
        throwError("normal(): stddev must not be negative, got %g", stddev);
    return mean + stddev * standardNormal(randomGenerator(rng));
}

double truncnormal(double mean, double stddev, int rng)
{
    if (!(stddev >= 0.0))
        throwError("truncnormal(): stddev must not be negative, got %g", stddev);
    cRNG& g = randomGenerator(rng);
    if (stddev == 0.0) {
        if (mean < 0.0)
            throwError("truncnormal(): mean %g with stddev 0 never reaches 0 or more", mean);
        return mean;
    }
    // Redrawing until the value is >= 0 is quick while the cut lies near or
    // below the mean; further out the tail is drawn directly, since plain
    // redrawing would need on average 1 / P(Z >= a) normals.
    const double a = -mean / stddev;
    if (a < 0.5) {
        for (;;) {
            double x = mean + stddev * standardNormal(g);
            if (x >= 0.0)
                return x;
        }
    }
    return std::fmax(0.0, mean + stddev * normalTailFrom(a, g));
}

double gamma_d(double alpha, double theta, int rng)
{
    if (!(alpha > 0.0))
        throwError("gamma_d(): shape alpha must be positive, got %g", alpha);
    if (!(theta > 0.0))
        throwError("gamma_d(): scale theta must be positive, got %g", theta);
    return theta * standardGamma(alpha, randomGenerator(rng));
}

double beta(double alpha1, double alpha2, int rng)
{
    if (!(alpha1 > 0.0))
        throwError("beta(): alpha1 must be positive, got %g", alpha1);
    if (!(alpha2 > 0.0))
        throwError("beta(): alpha2 must be positive, got %g", alpha2);
    cRNG& g = randomGenerator(rng);
    if (alpha1 >= 1.0 && alpha2 >= 1.0) {
        double x = gammaShapeAtLeastOne(alpha1, g);
        double y = gammaShapeAtLeastOne(alpha2, g);
        return x / (x + y);
    }
    // x / (x + y) = 1 / (1 + y / x), with the ratio taken in logarithms so
    // that two underflowed gammas cannot give 0 / 0.
    double logX = logStandardGamma(alpha1, g);
    double logY = logStandardGamma(alpha2, g);
    return 1.0 / (1.0 + std::exp(logY - logX));
}

double erlang_k(unsigned k, double mean, int rng)
{
    if (k == 0)
        throwError("erlang_k(): k must be at least 1, got 0");
    if (!(mean > 0.0))
        throwError("erlang_k(): mean must be positive, got %g", mean);
    cRNG& g = randomGenerator(rng);
    const double phaseMean = mean / k;
    // The sum of k exponentials is minus the log of a product of k uniforms;
    // 16 uniforms of at least 2^-53 cannot underflow. More phases have the
    // same Gamma(k) law, drawn in constant time.
    if (k > 16)
        return phaseMean * gammaShapeAtLeastOne(k, g);
    double product = 1.0;
    for (unsigned i = 0; i < k; i++)
        product *= g.doubleRandNonzero();
    return -phaseMean * std::log(product);
}

double chi_square(unsigned k, int rng)
{
    if (k == 0)
        throwError("chi_square(): k must be at least 1, got 0");
    return 2.0 * standardGamma(0.5 * k, randomGenerator(rng));
}

double student_t(unsigned i, int rng)
{
    if (i == 0)
        throwError("student_t(): i must be at least 1, got 0");
    cRNG& g = randomGenerator(rng);
    double z = standardNormal(g);
    double chi2 = 2.0 * standardGamma(0.5 * i, g);
    return z / std::sqrt(chi2 / i);
}

double cauchy(double a, double b, int rng)
{
    if (!(b > 0.0))
        throwError("cauchy(): scale b must be positive, got %g", b);
    // u - 1/2 never reaches +-1/2, so the tangent stays finite.
    return a + b * std::tan(kPi * (randomGenerator(rng).doubleRandNonzero() - 0.5));
}

double triang(double a, double b, double c, int rng)
{
    if (!(a <= b && b <= c))
        throwError("triang(): needs a <= b <= c, got a=%g, b=%g, c=%g", a, b, c);
    double u = randomGenerator(rng).doubleRand();
    if (a == c)
        return a;
    if (u < (b - a) / (c - a))
        return a + std::sqrt(u * (c - a) * (b - a));
    return c - std::sqrt((1.0 - u) * (c - a) * (c - b));
}

double lognormal(double m, double w, int rng)
{
    if (!(w >= 0.0))
        throwError("lognormal(): w must not be negative, got %g", w);
    return std::exp(m + w * standardNormal(randomGenerator(rng)));
}

double weibull(double a, double b, int rng)
{
    if (!(a > 0.0))
        throwError("weibull(): scale a must be positive, got %g", a);
    if (!(b > 0.0))
        throwError("weibull(): shape b must be positive, got %g", b);
    return a * std::pow(-std::log(randomGenerator(rng).doubleRandNonzero()), 1.0 / b);
}

double pareto_shifted(double a, double b, double c, int rng)
{
    if (!(a > 0.0))
        throwError("pareto_shifted(): shape a must be positive, got %g", a);
    if (!(b > 0.0))
        throwError("pareto_shifted(): scale b must be positive, got %g", b);
    return b / std::pow(randomGenerator(rng).doubleRandNonzero(), 1.0 / a) - c;
}

int intuniform(int a, int b, int rng)
{
    if (a > b)
        throwError("intuniform(): a=%d is greater than b=%d", a, b);
    cRNG& g = randomGenerator(rng);
    const uint64_t count = static_cast<uint64_t>(static_cast<int64_t>(b) - a) + 1;
    const uint64_t offset = count > UINT32_MAX ? g.next64() >> 32 : g.intRand(static_cast<uint32_t>(count));
    return static_cast<int>(static_cast<int64_t>(a) + static_cast<int64_t>(offset));
}

int bernoulli(double p, int rng)
{
    if (!isProbability(p))
        throwError("bernoulli(): p must lie in [0,1], got %g", p);
    return randomGenerator(rng).doubleRand() < p ? 1 : 0;
}

int binomial(int n, double p, int rng)
{
    if (n < 0)
        throwError("binomial(): n must not be negative, got %d", n);
    if (!isProbability(p))
        throwError("binomial(): p must lie in [0,1], got %g", p);
    cRNG& g = randomGenerator(rng);
    if (n == 0 || p == 0.0)
        return 0;
    if (p == 1.0)
        return n;
    // Both methods want the rarer outcome; count failures when success is
    // the likelier one.
    if (p > 0.5)
        return n - binomialDraw(n, 1.0 - p, g);
    return binomialDraw(n, p, g);
}

int geometric(double p, int rng)
{
    if (!(p > 0.0 && p <= 1.0))
        throwError("geometric(): p must lie in (0,1], got %g", p);
    cRNG& g = randomGenerator(rng);
    if (p == 1.0)
        return 0;
    return saturateToInt(geometricDraw(std::log1p(-p), g));
}

int negbinomial(int n, double p, int rng)
{
    if (n < 0)
        throwError("negbinomial(): n must not be negative, got %d", n);
    if (!(p > 0.0 && p <= 1.0))
        throwError("negbinomial(): p must lie in (0,1], got %g", p);
    cRNG& g = randomGenerator(rng);
    if (n == 0 || p == 1.0)
        return 0;
    // A few successes: add up the failures before each. Many: a Poisson whose
    // mean is Gamma(n, (1-p)/p) distributed has the same law in constant time.
    if (n <= 16) {
        const double logFailure = std::log1p(-p);
        double total = 0.0;
        for (int i = 0; i < n; i++)
            total += geometricDraw(logFailure, g);
        return saturateToInt(total);
    }
    double lambda = (1.0 - p) / p * gammaShapeAtLeastOne(n, g);
    return poissonDraw(lambda, g);
}

int poisson(double lambda, int rng)
{
    if (!(lambda >= 0.0))
        throwError("poisson(): lambda must not be negative, got %g", lambda);
    if (lambda > kMaxPoissonMean)
        throwError("poisson(): lambda %g is too large for an int result", lambda);
    return poissonDraw(lambda, randomGenerator(rng));
}
