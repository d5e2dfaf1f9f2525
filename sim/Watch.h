#pragma once

// WATCH(variable) lets the graphical environment show a plain variable of the
// module; the command-line environment shows nothing, so here it costs nothing.
#define WATCH(variable) ((void)sizeof(variable))
