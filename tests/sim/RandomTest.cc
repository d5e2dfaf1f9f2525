#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "sim/Distributions.h"
#include "sim/cRNG.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Draws on a generator other than 0, so that a variate ignoring its `rng`
// argument shows up in the reproducibility checks below.
constexpr int kTestRng = 3;

// Each test starts from a known seed and leaves the generators as they are
// at program start.
class RandomTest : public ::testing::Test {
  protected:
    void SetUp() override { seedRandomGenerators(20240611); }
    void TearDown() override { seedRandomGenerators(1); }
};

std::string testName(std::string text)
{
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return text;
}

double normalCdf(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

double normalDensity(double z)
{
    return std::exp(-0.5 * z * z) / std::sqrt(2.0 * kPi);
}

// Mean and variance of normal(mean, stddev) conditioned on >= 0.
double truncNormalMean(double mean, double stddev)
{
    double alpha = -mean / stddev;
    return mean + stddev * normalDensity(alpha) / (0.5 * std::erfc(alpha / std::sqrt(2.0)));
}

double truncNormalVariance(double mean, double stddev)
{
    double alpha = -mean / stddev;
    double lambda = normalDensity(alpha) / (0.5 * std::erfc(alpha / std::sqrt(2.0)));
    return stddev * stddev * (1.0 + alpha * lambda - lambda * lambda);
}

// The regularised lower incomplete gamma function P(a, x): a series below
// a + 1, a continued fraction for the complement above.
double gammaCdf(double a, double x)
{
    if (x <= 0.0)
        return 0.0;
    const double logPrefix = -x + a * std::log(x) - std::lgamma(a);
    if (x < a + 1.0) {
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 1000 && std::fabs(term) > std::fabs(sum) * 1e-16; n++) {
            term *= x / (a + n);
            sum += term;
        }
        return sum * std::exp(logPrefix);
    }
    const double tiny = 1e-300;
    double b = x + 1.0 - a, c = 1.0 / tiny, d = 1.0 / b, h = d;
    for (int i = 1; i < 1000; i++) {
        double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        d = std::fabs(d) < tiny ? tiny : d;
        c = b + an / c;
        c = std::fabs(c) < tiny ? tiny : c;
        d = 1.0 / d;
        h *= d * c;
        if (std::fabs(d * c - 1.0) < 1e-16)
            break;
    }
    return 1.0 - std::exp(logPrefix) * h;
}

double logChoose(double n, double k)
{
    return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
}

// ---------------------------------------------------------------------------
// The generator: reproducibility and independence of the streams.

TEST(cRNGTest, TheSameSeedAReseedOrACopyGiveTheSameSequence)
{
    cRNG a(42), b(42);
    for (int i = 0; i < 1000; i++)
        ASSERT_EQ(a.next64(), b.next64()) << "at draw " << i;
    a.seed(7);
    std::vector<uint64_t> first;
    for (int i = 0; i < 100; i++)
        first.push_back(a.next64());
    a.seed(7);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(a.next64(), first[i]) << "at draw " << i << " after the reseed";
    cRNG copy = a;
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(a.doubleRand(), copy.doubleRand()) << "copy, at draw " << i;
}

TEST(cRNGTest, DifferentSeedsGiveDifferentSequences)
{
    for (uint64_t other : {2ull, 3ull, 1ull << 63}) {
        cRNG a(1), b(other);
        int equal = 0;
        for (int i = 0; i < 1000; i++)
            equal += a.next64() == b.next64();
        EXPECT_EQ(equal, 0) << "seed " << other;
    }
}

TEST_F(RandomTest, SeedingAllGeneratorsReproducesRawDrawsAndVariates)
{
    auto firstValues = [] {
        std::vector<double> values;
        for (int k = 0; k < 64; k++)
            for (int i = 0; i < 100; i++)
                values.push_back(genk_intrand(k));
        for (int i = 0; i < 200; i++) {
            values.push_back(normal(1, 2, 7));
            values.push_back(gamma_d(0.7, 3, 7));
            values.push_back(poisson(120, 7));
            values.push_back(binomial(500, 0.3, 7));
            values.push_back(truncnormal(-4, 1, 7));
        }
        return values;
    };
    seedRandomGenerators(5);
    std::vector<double> run1 = firstValues();
    seedRandomGenerators(5);
    EXPECT_EQ(firstValues(), run1);
    seedRandomGenerators(6);
    EXPECT_NE(firstValues(), run1);
}

TEST_F(RandomTest, EveryGeneratorHasItsOwnStream)
{
    std::set<uint64_t> firstDraws;
    for (int k = 0; k < 64; k++) {
        cRNG copy = randomGenerator(k);
        for (int i = 0; i < 100; i++)
            firstDraws.insert(copy.next64());
    }
    EXPECT_EQ(firstDraws.size(), 100u * 64);

    // Neighbouring generators are uncorrelated.
    const int n = 20000;
    for (int k = 0; k + 1 < 64; k++) {
        double sum = 0;
        for (int i = 0; i < n; i++)
            sum += (genk_dblrand(k) - 0.5) * (genk_dblrand(k + 1) - 0.5);
        double correlation = sum / n * 12.0;
        EXPECT_LT(std::fabs(correlation), 5.0 / std::sqrt(n)) << "generators " << k << " and " << k + 1;
    }
}

TEST_F(RandomTest, SetRandomSeedSeedsOneGeneratorOnly)
{
    cRNG before5 = randomGenerator(5);
    setRandomSeed(4, 99);
    cRNG expected(99);
    for (int i = 0; i < 50; i++)
        ASSERT_EQ(randomGenerator(4).next64(), expected.next64());
    EXPECT_EQ(randomGenerator(5), before5);
}

TEST_F(RandomTest, VariateDrawsOnItsOwnGeneratorOnly)
{
    std::vector<cRNG> before;
    for (int k = 0; k < 64; k++)
        before.push_back(randomGenerator(k));
    exponential(1.0, 9);
    poisson(50.0, 9);
    gamma_d(0.5, 1.0, 9);
    for (int k = 0; k < 64; k++) {
        if (k == 9)
            EXPECT_NE(randomGenerator(k), before[k]);
        else
            EXPECT_EQ(randomGenerator(k), before[k]) << "generator " << k;
    }
}

TEST_F(RandomTest, UnknownGeneratorNumberIsAnError)
{
    for (int k : {-1, 64, 1000}) {
        try {
            randomGenerator(k);
            ADD_FAILURE() << "generator " << k << " accepted";
        } catch (const cRuntimeError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Random number generator " + std::to_string(k) + " does not exist (0 to 63)");
        }
    }
    EXPECT_NO_THROW(randomGenerator(0));
    EXPECT_NO_THROW(randomGenerator(63));
    EXPECT_THROW(setRandomSeed(64, 1), cRuntimeError);
    EXPECT_THROW(genk_dblrand(-1), cRuntimeError);
    EXPECT_THROW(exponential(1.0, 64), cRuntimeError);
}

// ---------------------------------------------------------------------------
// Ranges of the raw draws.

TEST(cRNGTest, IntRandStaysWithin1To2147483646)
{
    cRNG rng(3);
    uint32_t lo = UINT32_MAX, hi = 0;
    for (int i = 0; i < 200000; i++) {
        uint32_t x = rng.intRand();
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    EXPECT_GE(lo, 1u);
    EXPECT_LE(hi, 2147483646u);
    // The draws spread over the whole range.
    EXPECT_LT(lo, 100000u);
    EXPECT_GT(hi, 2147383646u);
}

TEST(cRNGTest, IntRandOfNIsUniformOnZeroToNMinusOne)
{
    cRNG rng(4);
    const int n = 200000;
    std::vector<int> counts(7);
    for (int i = 0; i < n; i++) {
        uint32_t x = rng.intRand(7);
        ASSERT_LT(x, 7u);
        counts[x]++;
    }
    double chi2 = 0;
    for (int c : counts)
        chi2 += (c - n / 7.0) * (c - n / 7.0) / (n / 7.0);
    EXPECT_LT(chi2, 6 + 5 * std::sqrt(12.0));
}

TEST(cRNGTest, IntRandOfNHasNoModuloBias)
{
    // With n = 3 * 2^30, taking a 32-bit draw modulo n would put half of all
    // draws below 2^30 instead of a third.
    cRNG rng(5);
    const uint32_t n = 3u << 30;
    const int draws = 100000;
    int below = 0;
    for (int i = 0; i < draws; i++) {
        uint32_t x = rng.intRand(n);
        ASSERT_LT(x, n);
        below += x < (1u << 30);
    }
    double expected = draws / 3.0;
    EXPECT_NEAR(below, expected, 5 * std::sqrt(draws * (1.0 / 3) * (2.0 / 3)));
    EXPECT_THROW(rng.intRand(0), cRuntimeError);
}

TEST(cRNGTest, DoubleRandUsesAll53Bits)
{
    cRNG rng(6);
    const int n = 100000;
    int oddLowestBit = 0;
    for (int i = 0; i < n; i++) {
        double u = rng.doubleRand();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        double scaled = std::ldexp(u, 53);
        ASSERT_EQ(scaled, std::floor(scaled));
        oddLowestBit += std::fmod(scaled, 2.0) == 1.0;
    }
    EXPECT_NEAR(oddLowestBit, n / 2.0, 5 * std::sqrt(n / 4.0));
}

TEST(cRNGTest, DoubleRandNonzeroIsStrictlyInsideTheUnitInterval)
{
    cRNG rng(8);
    double lo = 1, hi = 0, sum = 0;
    const int n = 100000;
    for (int i = 0; i < n; i++) {
        double u = rng.doubleRandNonzero();
        lo = std::min(lo, u);
        hi = std::max(hi, u);
        sum += u;
    }
    EXPECT_GT(lo, 0.0);
    EXPECT_LT(hi, 1.0);
    EXPECT_NEAR(sum / n, 0.5, 5 * std::sqrt(1.0 / 12 / n));
}

TEST_F(RandomTest, GenkIntrandCoversItsRanges)
{
    long hi = 0;
    for (int i = 0; i < 10000; i++) {
        long x = genk_intrand(2);
        ASSERT_GE(x, 1);
        ASSERT_LE(x, 2147483646);
        long y = genk_intrand(2, 10);
        ASSERT_GE(y, 0);
        ASSERT_LT(y, 10);
        long wide = genk_intrand(2, 1L << 40);
        ASSERT_GE(wide, 0);
        ASSERT_LT(wide, 1L << 40);
        hi = std::max(hi, wide);
    }
    EXPECT_GT(hi, 1L << 39);
    EXPECT_THROW(genk_intrand(2, 0), cRuntimeError);
    EXPECT_THROW(genk_intrand(2, -5), cRuntimeError);
}

TEST_F(RandomTest, IntuniformReachesBothEnds)
{
    std::vector<int> counts(7);
    for (int i = 0; i < 7000; i++) {
        int x = intuniform(-3, 3, kTestRng);
        ASSERT_GE(x, -3);
        ASSERT_LE(x, 3);
        counts[x + 3]++;
    }
    for (int v = 0; v < 7; v++)
        EXPECT_GT(counts[v], 800) << "value " << v - 3;
    EXPECT_EQ(intuniform(5, 5, kTestRng), 5);

    bool negative = false, positive = false;
    for (int i = 0; i < 100; i++) {
        int x = intuniform(INT_MIN, INT_MAX, kTestRng);
        negative |= x < 0;
        positive |= x > 0;
    }
    EXPECT_TRUE(negative && positive);
}

TEST_F(RandomTest, DegenerateParametersGiveTheirOnlyValue)
{
    EXPECT_EQ(uniform(2, 2), 2);
    EXPECT_EQ(normal(5, 0), 5);
    EXPECT_EQ(truncnormal(2, 0), 2);
    EXPECT_EQ(triang(1, 1, 1), 1);
    EXPECT_EQ(lognormal(0, 0), 1);
    EXPECT_EQ(bernoulli(0), 0);
    EXPECT_EQ(bernoulli(1), 1);
    EXPECT_EQ(binomial(0, 0.5), 0);
    EXPECT_EQ(binomial(10, 0), 0);
    EXPECT_EQ(binomial(10, 1), 10);
    EXPECT_EQ(geometric(1), 0);
    EXPECT_EQ(negbinomial(0, 0.5), 0);
    EXPECT_EQ(negbinomial(7, 1), 0);
    EXPECT_EQ(poisson(0), 0);
}

TEST_F(RandomTest, GeometricSaturatesAtIntMax)
{
    // A mean of 10^15 failures is far beyond an int.
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(geometric(1e-15, kTestRng), INT_MAX);
}

TEST_F(RandomTest, BetaWithTinyShapesStaysFinite)
{
    int nearZero = 0, nearOne = 0;
    for (int i = 0; i < 10000; i++) {
        double x = beta(0.005, 0.005, kTestRng);
        ASSERT_TRUE(x >= 0.0 && x <= 1.0) << x;
        nearZero += x < 0.5;
        nearOne += x >= 0.5;
    }
    EXPECT_NEAR(nearZero, 5000, 5 * 50);
    EXPECT_NEAR(nearOne, 5000, 5 * 50);
}

// ---------------------------------------------------------------------------
// Sample mean and variance of each variate against its law, and its support.

struct MomentCase {
    std::string name;
    std::function<double(int)> draw;
    double mean;
    double variance;
    double lowest = -HUGE_VAL;
    double highest = HUGE_VAL;
};

class VariateMoments : public RandomTest, public ::testing::WithParamInterface<MomentCase> {};

TEST_P(VariateMoments, SampleMeanAndVarianceMatchTheLaw)
{
    const MomentCase& c = GetParam();
    const int n = 200000;
    std::vector<double> x(n);
    for (double& v : x) {
        v = c.draw(kTestRng);
        ASSERT_GE(v, c.lowest);
        ASSERT_LE(v, c.highest);
    }
    double mean = 0;
    for (double v : x)
        mean += v;
    mean /= n;
    double m2 = 0, m4 = 0;
    for (double v : x) {
        double d = (v - mean) * (v - mean);
        m2 += d;
        m4 += d * d;
    }
    m2 /= n;
    m4 /= n;
    EXPECT_NEAR(mean, c.mean, 5 * std::sqrt(c.variance / n) + 1e-12);
    // The standard error of a sample variance is sqrt((m4 - m2^2) / n).
    EXPECT_NEAR(m2, c.variance, 5 * std::sqrt((m4 - m2 * m2) / n) + 1e-12);
}

const double kWeibullG1 = std::tgamma(1 + 1 / 1.5), kWeibullG2 = std::tgamma(1 + 2 / 1.5);

INSTANTIATE_TEST_SUITE_P(
    Distributions, VariateMoments,
    ::testing::Values(
        MomentCase{"uniform(2,5)", [](int r) { return uniform(2, 5, r); }, 3.5, 0.75, 2, 5},
        MomentCase{"intuniform(-3,7)", [](int r) { return intuniform(-3, 7, r); }, 2, 10, -3, 7},
        MomentCase{"exponential(2.5)", [](int r) { return exponential(2.5, r); }, 2.5, 6.25, 0},
        MomentCase{"normal(-1,3)", [](int r) { return normal(-1, 3, r); }, -1, 9},
        MomentCase{"truncnormal(1,2)", [](int r) { return truncnormal(1, 2, r); }, truncNormalMean(1, 2),
                   truncNormalVariance(1, 2), 0},
        MomentCase{"truncnormal(-3,1)", [](int r) { return truncnormal(-3, 1, r); }, truncNormalMean(-3, 1),
                   truncNormalVariance(-3, 1), 0},
        MomentCase{"truncnormal(-40,2)", [](int r) { return truncnormal(-40, 2, r); }, truncNormalMean(-40, 2),
                   truncNormalVariance(-40, 2), 0},
        MomentCase{"gamma_d(0.4,2)", [](int r) { return gamma_d(0.4, 2, r); }, 0.8, 1.6, 0},
        MomentCase{"gamma_d(3.5,0.5)", [](int r) { return gamma_d(3.5, 0.5, r); }, 1.75, 0.875, 0},
        MomentCase{"beta(2,5)", [](int r) { return beta(2, 5, r); }, 2.0 / 7, 10.0 / (49 * 8), 0, 1},
        MomentCase{"beta(0.3,0.6)", [](int r) { return beta(0.3, 0.6, r); }, 1.0 / 3, 0.18 / (0.81 * 1.9), 0, 1},
        MomentCase{"beta(0.02,0.02)", [](int r) { return beta(0.02, 0.02, r); }, 0.5, 0.0004 / (0.0016 * 1.04), 0, 1},
        MomentCase{"erlang_k(4,2)", [](int r) { return erlang_k(4, 2, r); }, 2, 1, 0},
        MomentCase{"erlang_k(40,2)", [](int r) { return erlang_k(40, 2, r); }, 2, 0.1, 0},
        MomentCase{"chi_square(6)", [](int r) { return chi_square(6, r); }, 6, 12, 0},
        MomentCase{"student_t(10)", [](int r) { return student_t(10, r); }, 0, 1.25},
        MomentCase{"triang(1,2,6)", [](int r) { return triang(1, 2, 6, r); }, 3, 21.0 / 18, 1, 6},
        MomentCase{"triang(0,0,3)", [](int r) { return triang(0, 0, 3, r); }, 1, 0.5, 0, 3},
        MomentCase{"lognormal(0,0.5)", [](int r) { return lognormal(0, 0.5, r); }, std::exp(0.125),
                   (std::exp(0.25) - 1) * std::exp(0.25), 0},
        MomentCase{"weibull(2,1.5)", [](int r) { return weibull(2, 1.5, r); }, 2 * kWeibullG1,
                   4 * (kWeibullG2 - kWeibullG1 * kWeibullG1), 0},
        MomentCase{"pareto_shifted(5,2,1)", [](int r) { return pareto_shifted(5, 2, 1, r); }, 1.5, 20.0 / 48, 1},
        MomentCase{"bernoulli(0.3)", [](int r) { return bernoulli(0.3, r); }, 0.3, 0.21, 0, 1},
        MomentCase{"binomial(20,0.3)", [](int r) { return binomial(20, 0.3, r); }, 6, 4.2, 0, 20},
        MomentCase{"binomial(200,0.1)", [](int r) { return binomial(200, 0.1, r); }, 20, 18, 0, 200},
        MomentCase{"binomial(1000,0.7)", [](int r) { return binomial(1000, 0.7, r); }, 700, 210, 0, 1000},
        MomentCase{"geometric(0.2)", [](int r) { return geometric(0.2, r); }, 4, 20, 0},
        MomentCase{"negbinomial(3,0.4)", [](int r) { return negbinomial(3, 0.4, r); }, 4.5, 11.25, 0},
        MomentCase{"negbinomial(50,0.5)", [](int r) { return negbinomial(50, 0.5, r); }, 50, 100, 0},
        MomentCase{"poisson(4.5)", [](int r) { return poisson(4.5, r); }, 4.5, 4.5, 0},
        MomentCase{"poisson(250)", [](int r) { return poisson(250, r); }, 250, 250, 0},
        MomentCase{"poisson(1e7)", [](int r) { return poisson(1e7, r); }, 1e7, 1e7, 0}),
    [](const ::testing::TestParamInfo<MomentCase>& info) { return testName(info.param.name); });

// ---------------------------------------------------------------------------
// Whole distributions: Kolmogorov-Smirnov for continuous variates whose
// distribution function is known, chi-square for discrete ones.

struct CdfCase {
    std::string name;
    std::function<double(int)> draw;
    std::function<double(double)> cdf;
};

class ContinuousLaw : public RandomTest, public ::testing::WithParamInterface<CdfCase> {};

TEST_P(ContinuousLaw, MatchesItsDistributionFunction)
{
    const CdfCase& c = GetParam();
    const int n = 100000;
    std::vector<double> x(n);
    for (double& v : x)
        v = c.draw(kTestRng);
    std::sort(x.begin(), x.end());
    double d = 0;
    for (int i = 0; i < n; i++) {
        double f = c.cdf(x[i]);
        d = std::max({d, f - static_cast<double>(i) / n, static_cast<double>(i + 1) / n - f});
    }
    // sqrt(n) D exceeds 1.95 with probability 0.001 under the law.
    EXPECT_LT(std::sqrt(n) * d, 1.95);
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, ContinuousLaw,
    ::testing::Values(
        CdfCase{"uniform(-1,3)", [](int r) { return uniform(-1, 3, r); }, [](double x) { return (x + 1) / 4; }},
        CdfCase{"exponential(0.5)", [](int r) { return exponential(0.5, r); },
                [](double x) { return 1 - std::exp(-x / 0.5); }},
        CdfCase{"normal(2,0.5)", [](int r) { return normal(2, 0.5, r); },
                [](double x) { return normalCdf((x - 2) / 0.5); }},
        CdfCase{"truncnormal(0.5,1)", [](int r) { return truncnormal(0.5, 1, r); },
                [](double x) { return (normalCdf(x - 0.5) - normalCdf(-0.5)) / (1 - normalCdf(-0.5)); }},
        CdfCase{"truncnormal(-2,1)", [](int r) { return truncnormal(-2, 1, r); },
                [](double x) {
                    double tail = 0.5 * std::erfc(2 / std::sqrt(2.0));
                    return 1 - 0.5 * std::erfc((x + 2) / std::sqrt(2.0)) / tail;
                }},
        CdfCase{"gamma_d(0.4,2)", [](int r) { return gamma_d(0.4, 2, r); },
                [](double x) { return gammaCdf(0.4, x / 2); }},
        CdfCase{"gamma_d(1,1)", [](int r) { return gamma_d(1, 1, r); }, [](double x) { return gammaCdf(1, x); }},
        CdfCase{"gamma_d(7.5,3)", [](int r) { return gamma_d(7.5, 3, r); },
                [](double x) { return gammaCdf(7.5, x / 3); }},
        CdfCase{"erlang_k(3,6)", [](int r) { return erlang_k(3, 6, r); }, [](double x) { return gammaCdf(3, x / 2); }},
        CdfCase{"erlang_k(25,5)", [](int r) { return erlang_k(25, 5, r); },
                [](double x) { return gammaCdf(25, x / 0.2); }},
        CdfCase{"chi_square(3)", [](int r) { return chi_square(3, r); }, [](double x) { return gammaCdf(1.5, x / 2); }},
        CdfCase{"beta(0.3,1)", [](int r) { return beta(0.3, 1, r); }, [](double x) { return std::pow(x, 0.3); }},
        CdfCase{"beta(1,2.5)", [](int r) { return beta(1, 2.5, r); },
                [](double x) { return 1 - std::pow(1 - x, 2.5); }},
        CdfCase{"beta(0.5,0.5)", [](int r) { return beta(0.5, 0.5, r); },
                [](double x) { return 2 / kPi * std::asin(std::sqrt(x)); }},
        CdfCase{"student_t(1)", [](int r) { return student_t(1, r); },
                [](double x) { return 0.5 + std::atan(x) / kPi; }},
        CdfCase{"student_t(2)", [](int r) { return student_t(2, r); },
                [](double x) { return 0.5 + x / (2 * std::sqrt(2 + x * x)); }},
        CdfCase{"cauchy(3,0.5)", [](int r) { return cauchy(3, 0.5, r); },
                [](double x) { return 0.5 + std::atan((x - 3) / 0.5) / kPi; }},
        CdfCase{"triang(1,2,6)", [](int r) { return triang(1, 2, 6, r); },
                [](double x) { return x < 2 ? (x - 1) * (x - 1) / 5 : 1 - (6 - x) * (6 - x) / 20; }},
        CdfCase{"lognormal(1,0.8)", [](int r) { return lognormal(1, 0.8, r); },
                [](double x) { return normalCdf((std::log(x) - 1) / 0.8); }},
        CdfCase{"weibull(2,0.7)", [](int r) { return weibull(2, 0.7, r); },
                [](double x) { return 1 - std::exp(-std::pow(x / 2, 0.7)); }},
        CdfCase{"pareto_shifted(1.5,3,2)", [](int r) { return pareto_shifted(1.5, 3, 2, r); },
                [](double x) { return 1 - std::pow(3 / (x + 2), 1.5); }}),
    [](const ::testing::TestParamInfo<CdfCase>& info) { return testName(info.param.name); });

struct PmfCase {
    std::string name;
    std::function<int(int)> draw;
    std::function<double(int)> logPmf;
    int lowest;
};

class DiscreteLaw : public RandomTest, public ::testing::WithParamInterface<PmfCase> {};

TEST_P(DiscreteLaw, MatchesItsProbabilities)
{
    const PmfCase& c = GetParam();
    const int n = 200000;
    std::vector<int> x(n);
    for (int& v : x) {
        v = c.draw(kTestRng);
        ASSERT_GE(v, c.lowest);
    }
    // Cells of consecutive values, each expecting at least 20 draws; the
    // last one takes everything above it.
    std::vector<int> firstValue;
    std::vector<double> expected;
    double cellMass = 0, massSoFar = 0;
    int cellStart = c.lowest;
    for (int k = c.lowest; 1 - massSoFar > 20.0 / n; k++) {
        double p = std::exp(c.logPmf(k));
        cellMass += p;
        massSoFar += p;
        if (cellMass * n >= 20) {
            firstValue.push_back(cellStart);
            expected.push_back(cellMass * n);
            cellMass = 0;
            cellStart = k + 1;
        }
    }
    ASSERT_GE(expected.size(), 2u);
    expected.back() += (1 - massSoFar + cellMass) * n;
    std::vector<double> observed(expected.size());
    for (int v : x)
        observed[std::upper_bound(firstValue.begin(), firstValue.end(), v) - firstValue.begin() - 1]++;
    double chi2 = 0;
    for (size_t i = 0; i < expected.size(); i++)
        chi2 += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
    double df = expected.size() - 1.0;
    EXPECT_LT(chi2, df + 5 * std::sqrt(2 * df)) << expected.size() << " cells";
}

std::function<double(int)> poissonLogPmf(double lambda)
{
    return [lambda](int k) { return -lambda + k * std::log(lambda) - std::lgamma(k + 1.0); };
}

std::function<double(int)> binomialLogPmf(int n, double p)
{
    return [n, p](int k) { return k > n ? -HUGE_VAL : logChoose(n, k) + k * std::log(p) + (n - k) * std::log1p(-p); };
}

std::function<double(int)> negbinomialLogPmf(int n, double p)
{
    return [n, p](int k) { return logChoose(n + k - 1, k) + n * std::log(p) + k * std::log1p(-p); };
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, DiscreteLaw,
    ::testing::Values(
        PmfCase{"poisson(3.5)", [](int r) { return poisson(3.5, r); }, poissonLogPmf(3.5), 0},
        PmfCase{"poisson(30)", [](int r) { return poisson(30, r); }, poissonLogPmf(30), 0},
        PmfCase{"poisson(31.5)", [](int r) { return poisson(31.5, r); }, poissonLogPmf(31.5), 0},
        PmfCase{"poisson(400)", [](int r) { return poisson(400, r); }, poissonLogPmf(400), 0},
        PmfCase{"binomial(15,0.2)", [](int r) { return binomial(15, 0.2, r); }, binomialLogPmf(15, 0.2), 0},
        PmfCase{"binomial(40,0.8)", [](int r) { return binomial(40, 0.8, r); }, binomialLogPmf(40, 0.8), 0},
        PmfCase{"binomial(60,0.4)", [](int r) { return binomial(60, 0.4, r); }, binomialLogPmf(60, 0.4), 0},
        PmfCase{"binomial(5000,0.65)", [](int r) { return binomial(5000, 0.65, r); }, binomialLogPmf(5000, 0.65), 0},
        PmfCase{"geometric(0.3)", [](int r) { return geometric(0.3, r); },
                [](int k) { return std::log(0.3) + k * std::log(0.7); }, 0},
        PmfCase{"negbinomial(5,0.35)", [](int r) { return negbinomial(5, 0.35, r); }, negbinomialLogPmf(5, 0.35), 0},
        PmfCase{"negbinomial(40,0.6)", [](int r) { return negbinomial(40, 0.6, r); }, negbinomialLogPmf(40, 0.6), 0},
        PmfCase{"intuniform(-4,9)", [](int r) { return intuniform(-4, 9, r); },
                [](int k) { return k > 9 ? -HUGE_VAL : -std::log(14.0); }, -4}),
    [](const ::testing::TestParamInfo<PmfCase>& info) { return testName(info.param.name); });

// ---------------------------------------------------------------------------
// Parameters that describe no distribution.

struct BadCall {
    std::string call;
    std::function<void()> run;
    std::string message;
};

TEST_F(RandomTest, InvalidParametersAreErrorsNamingTheFunctionAndValue)
{
    const std::vector<BadCall> calls = {
        {"uniform(3,1)", [] { uniform(3, 1); }, "uniform(): a=3 is greater than b=1"},
        {"intuniform(4,2)", [] { intuniform(4, 2); }, "intuniform(): a=4 is greater than b=2"},
        {"exponential(0)", [] { exponential(0); }, "exponential(): mean must be positive, got 0"},
        {"exponential(-2)", [] { exponential(-2); }, "exponential(): mean must be positive, got -2"},
        {"normal(0,-1)", [] { normal(0, -1); }, "normal(): stddev must not be negative, got -1"},
        {"normal(0,nan)", [] { normal(0, std::nan("")); }, "normal(): stddev must not be negative, got nan"},
        {"truncnormal(0,-0.5)", [] { truncnormal(0, -0.5); }, "truncnormal(): stddev must not be negative, got -0.5"},
        {"truncnormal(-1,0)", [] { truncnormal(-1, 0); },
         "truncnormal(): mean -1 with stddev 0 never reaches 0 or more"},
        {"gamma_d(0,1)", [] { gamma_d(0, 1); }, "gamma_d(): shape alpha must be positive, got 0"},
        {"gamma_d(1,-3)", [] { gamma_d(1, -3); }, "gamma_d(): scale theta must be positive, got -3"},
        {"beta(-1,1)", [] { beta(-1, 1); }, "beta(): alpha1 must be positive, got -1"},
        {"beta(1,0)", [] { beta(1, 0); }, "beta(): alpha2 must be positive, got 0"},
        {"erlang_k(0,1)", [] { erlang_k(0, 1); }, "erlang_k(): k must be at least 1, got 0"},
        {"erlang_k(2,0)", [] { erlang_k(2, 0); }, "erlang_k(): mean must be positive, got 0"},
        {"chi_square(0)", [] { chi_square(0); }, "chi_square(): k must be at least 1, got 0"},
        {"student_t(0)", [] { student_t(0); }, "student_t(): i must be at least 1, got 0"},
        {"cauchy(0,0)", [] { cauchy(0, 0); }, "cauchy(): scale b must be positive, got 0"},
        {"triang(0,3,2)", [] { triang(0, 3, 2); }, "triang(): needs a <= b <= c, got a=0, b=3, c=2"},
        {"triang(1,0,2)", [] { triang(1, 0, 2); }, "triang(): needs a <= b <= c, got a=1, b=0, c=2"},
        {"lognormal(0,-1)", [] { lognormal(0, -1); }, "lognormal(): w must not be negative, got -1"},
        {"weibull(0,1)", [] { weibull(0, 1); }, "weibull(): scale a must be positive, got 0"},
        {"weibull(1,-1)", [] { weibull(1, -1); }, "weibull(): shape b must be positive, got -1"},
        {"pareto_shifted(0,1,0)", [] { pareto_shifted(0, 1, 0); }, "pareto_shifted(): shape a must be positive, got 0"},
        {"pareto_shifted(1,-2,0)", [] { pareto_shifted(1, -2, 0); },
         "pareto_shifted(): scale b must be positive, got -2"},
        {"bernoulli(1.5)", [] { bernoulli(1.5); }, "bernoulli(): p must lie in [0,1], got 1.5"},
        {"binomial(-1,0.5)", [] { binomial(-1, 0.5); }, "binomial(): n must not be negative, got -1"},
        {"binomial(10,-0.1)", [] { binomial(10, -0.1); }, "binomial(): p must lie in [0,1], got -0.1"},
        {"geometric(0)", [] { geometric(0); }, "geometric(): p must lie in (0,1], got 0"},
        {"geometric(2)", [] { geometric(2); }, "geometric(): p must lie in (0,1], got 2"},
        {"negbinomial(-3,0.5)", [] { negbinomial(-3, 0.5); }, "negbinomial(): n must not be negative, got -3"},
        {"negbinomial(3,0)", [] { negbinomial(3, 0); }, "negbinomial(): p must lie in (0,1], got 0"},
        {"poisson(-1)", [] { poisson(-1); }, "poisson(): lambda must not be negative, got -1"},
        {"poisson(1e12)", [] { poisson(1e12); }, "poisson(): lambda 1e+12 is too large for an int result"},
    };
    for (const BadCall& c : calls) {
        try {
            c.run();
            ADD_FAILURE() << c.call << " was accepted";
        } catch (const cRuntimeError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.call;
        }
    }
}

} // namespace
