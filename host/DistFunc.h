#pragma once

// The random distributions that workload patterns may name, with the number
// of parameters each needs. Parameters a distribution does not use are
// ignored.
struct DistFuncEntry {
    char name[20];
    int parNum;
};

constexpr int DIST_FUNC_NUM = 24;
extern const DistFuncEntry distFunc[DIST_FUNC_NUM];

// Indices of the entries that are not plain draws.
constexpr int DIST_SEQ_BLOCK = 21;
constexpr int DIST_SELF_SIM = 23;

// The entry's index for `name`, or -1 when no entry has it.
int dist_func_index(const char* name);

// One draw of entry `index` on generator `rng`. The parameters that count
// and the integers are converted from the doubles the patterns hold, clamped
// to the range of their types first. Not for "self_sim".
double draw_dist_func(int index, int rng, double p1, double p2, double p3);

// What is wrong with the parameters of entry `index` for a draw ("min above
// max", "scale must be > 0", a whole number beyond its type), or nullptr
// when a draw can be made with them as given.
// Checked at set-up, so that a bad pattern stops the run before its first
// draw and the message can name the file and the pattern.
const char* dist_param_fault(int index, double p1, double p2, double p3);
