#pragma once

// VELMORA_ASAN is defined when the build runs under the address sanitizer:
// GCC says so with __SANITIZE_ADDRESS__, Clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_ASAN 1
#endif
#endif
