#pragma once

// Simulated time in seconds.
typedef double simtime_t;

constexpr simtime_t MAXTIME = 1e300;
