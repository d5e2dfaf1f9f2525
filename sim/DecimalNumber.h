#pragma once

// Numbers in configuration text are read in decimal only: an optional sign,
// digits, for a real number an optional fraction and exponent. There is no
// hexadecimal, no octal from a leading 0, no "inf" or "nan", and a number too
// big for its type is refused rather than clamped.
enum class DecimalStatus { OK, NOT_A_NUMBER, OUT_OF_RANGE };

// Reads the whole number at the start of `text` (after blanks and TABs):
// sign and digits. `end`, when given, is set past what was read (to `text`
// when there is no number).
DecimalStatus readDecimalLong(const char* text, long& value, const char** end = nullptr);

// Reads the real number at the start of `text` (after blanks and TABs):
// sign, digits with an optional fraction ("5", "5.", ".5", "5.25"), then an
// optional exponent ("1e3"). The value is always finite.
DecimalStatus readDecimalDouble(const char* text, double& value, const char** end = nullptr);
