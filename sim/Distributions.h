#pragma once

// Random variates of the common distributions. Each draws on the numbered
// generator `rng` (see cRNG.h) and only on that one, so a variate never
// disturbs another generator's stream. Parameters that describe no
// distribution end the run with a cRuntimeError naming the function and the
// value.

// Continuous distributions.

// Uniform between a and b; requires a <= b.
double uniform(double a, double b, int rng = 0);
// Exponential of the given mean (> 0).
double exponential(double mean, int rng = 0);
// Normal; stddev must not be negative (0 gives the mean).
double normal(double mean, double stddev, int rng = 0);
// Normal conditioned on being >= 0; stddev > 0 unless mean >= 0.
double truncnormal(double mean, double stddev, int rng = 0);
// Gamma of shape alpha and scale theta (both > 0): mean alpha * theta.
double gamma_d(double alpha, double theta, int rng = 0);
// Beta on [0, 1] with shapes alpha1, alpha2 (both > 0).
double beta(double alpha1, double alpha2, int rng = 0);
// Sum of k (>= 1) exponentials of mean mean / k.
double erlang_k(unsigned k, double mean, int rng = 0);
// Chi-square with k (>= 1) degrees of freedom.
double chi_square(unsigned k, int rng = 0);
// Student's t with i (>= 1) degrees of freedom.
double student_t(unsigned i, int rng = 0);
// Cauchy of location a and scale b (> 0).
double cauchy(double a, double b, int rng = 0);
// Triangular with minimum a, mode b and maximum c; requires a <= b <= c.
double triang(double a, double b, double c, int rng = 0);
// e raised to normal(m, w).
double lognormal(double m, double w, int rng = 0);
// Weibull of scale a and shape b (both > 0).
double weibull(double a, double b, int rng = 0);
// Pareto of shape a and scale b (both > 0), shifted down by c: b / u^(1/a) - c.
double pareto_shifted(double a, double b, double c, int rng = 0);

// Discrete distributions.

// Uniform on the integers a to b, both included; requires a <= b.
int intuniform(int a, int b, int rng = 0);
// 1 with probability p, else 0.
int bernoulli(double p, int rng = 0);
// Successes in n (>= 0) trials of probability p.
int binomial(int n, double p, int rng = 0);
// Failures before the first success, p in (0, 1]: mean (1 - p) / p. The
// results of geometric and negbinomial saturate at INT_MAX.
int geometric(double p, int rng = 0);
// Failures before the n-th success, p in (0, 1]: mean n (1 - p) / p.
int negbinomial(int n, double p, int rng = 0);
// Poisson of mean lambda (>= 0).
int poisson(double lambda, int rng = 0);
