#pragma once

// The name of the head parameter in which the n-th switch a frame crosses
// writes its Domain_ID: "hop-0", "hop-1", ... Every switch writes one and
// the receiving port reads them all back, so the names are made once and
// kept for the rest of the run.
const char* hop_param_name(int n);
