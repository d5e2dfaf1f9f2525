#include "host/DistFunc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "sim/Distributions.h"
#include "sim/cRNG.h"

const DistFuncEntry distFunc[DIST_FUNC_NUM] = {
    {"uniform", 2},    {"exponential", 1}, {"normal", 2},     {"truncnormal", 2},    {"gamma_d", 2},
    {"beta", 2},       {"erlang_k", 2},    {"chi_square", 1}, {"student_t", 1},      {"cauchy", 2},
    {"triang", 3},     {"lognormal", 2},   {"weibull", 2},    {"pareto_shifted", 3}, {"intuniform", 2},
    {"bernoulli", 1},  {"binomial", 2},    {"geometric", 1},  {"negbinomial", 2},    {"poisson", 1},
    {"const_size", 1}, {"seq_block", 1},   {"const_gap", 1},  {"self_sim", 5},
};

namespace {

int as_int(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}

unsigned as_unsigned(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<unsigned>(std::clamp(value, 0.0, double(UINT_MAX)));
}

} // namespace

int dist_func_index(const char* name)
{
    for (int i = 0; i < DIST_FUNC_NUM; ++i)
        if (std::strcmp(distFunc[i].name, name) == 0)
            return i;
    return -1;
}

// A shape or scale of 0 leaves a distribution at one point, which the
// kernel's draws refuse: exponential of mean 0, gamma_d of shape or scale 0
// and weibull of scale 0 give 0, beta gives 0 for alpha1 0 and 1 for alpha2
// 0, and pareto_shifted of scale 0 gives minus its shift.
double draw_dist_func(int index, int rng, double p1, double p2, double p3)
{
    switch (index) {
    case 0: return uniform(p1, p2, rng);
    case 1: return p1 > 0 ? exponential(p1, rng) : 0;
    case 2: return normal(p1, p2, rng);
    case 3: return truncnormal(p1, p2, rng);
    case 4: return p1 > 0 && p2 > 0 ? gamma_d(p1, p2, rng) : 0;
    case 5: return p1 > 0 && p2 > 0 ? beta(p1, p2, rng) : (p1 > 0 ? 1 : 0);
    case 6: return erlang_k(as_unsigned(p1), p2, rng);
    case 7: return chi_square(as_unsigned(p1), rng);
    case 8: return student_t(as_unsigned(p1), rng);
    case 9: return cauchy(p1, p2, rng);
    case 10: return triang(p1, p2, p3, rng);
    case 11: return std::exp(normal(p1, p2, rng));
    case 12: return p1 > 0 ? weibull(p1, p2, rng) : 0;
    case 13: return p2 > 0 ? pareto_shifted(p1, p2, p3, rng) : -p3;
    case 14: return intuniform(as_int(p1), as_int(p2), rng);
    case 15: return p1 > static_cast<double>(genk_intrand(rng)) / 2147483647 ? 1 : 0;
    case 16: return binomial(as_int(p1), p2, rng);
    case 17: return geometric(p1, rng);
    case 18: return negbinomial(as_int(p1), p2, rng);
    case 19: return poisson(p1, rng);
    case 20:
    case 21:
    case 22: return p1;
    default: return NAN;
    }
}

const char* dist_param_fault(int index, double p1, double p2, double p3)
{
    const auto probability = [](double p) { return p >= 0 && p <= 1; };
    switch (index) {
    case 0: return p1 > p2 ? "min above max" : nullptr;
    case 3:
        if (p2 == 0 && p1 < 0)
            return "a negative mean needs a standard deviation above 0";
        [[fallthrough]];
    case 2:
    case 11: return p2 >= 0 ? nullptr : "standard deviation must be >= 0";
    case 5: return p1 > 0 || p2 > 0 ? nullptr : "alpha1 and alpha2 must not both be 0: each draw would be 0 / 0";
    case 12: return p2 > 0 ? nullptr : "shape (Par2) must be > 0: each draw divides by it";
    case 13: return p1 > 0 ? nullptr : "shape (Par1) must be > 0: each draw divides by it";
    case 6:
        if (as_unsigned(p1) < 1 || !(p2 > 0))
            return "k must be >= 1 and the mean > 0";
        return p1 <= UINT_MAX ? nullptr : "k must be at most 4294967295";
    case 7:
    case 8:
        if (as_unsigned(p1) < 1)
            return "degrees of freedom must be >= 1";
        return p1 <= UINT_MAX ? nullptr : "degrees of freedom must be at most 4294967295";
    case 9: return p2 > 0 ? nullptr : "scale must be > 0";
    case 10: return p1 <= p2 && p2 <= p3 ? nullptr : "needs min <= mode <= max";
    case 14:
        if (as_int(p1) > as_int(p2))
            return "min above max";
        return p2 <= INT_MAX ? nullptr : "max must be at most 2147483647";
    case 15: return probability(p1) ? nullptr : "probability must be within [0,1]";
    case 16:
        if (as_int(p1) < 0 || !probability(p2))
            return "needs n >= 0 and a probability within [0,1]";
        return p1 <= INT_MAX ? nullptr : "n must be at most 2147483647";
    case 17: return p1 > 0 && p1 <= 1 ? nullptr : "probability must be within (0,1]";
    case 18:
        if (as_int(p1) < 0 || !(p2 > 0 && p2 <= 1))
            return "needs n >= 0 and a probability within (0,1]";
        return p1 <= INT_MAX ? nullptr : "n must be at most 2147483647";
    case 19: return p1 >= 0 && p1 <= 1073741824.0 ? nullptr : "mean must be within [0,1073741824]";
    default: return nullptr;
    }
}
