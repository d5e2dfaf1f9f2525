#include "sim/DecimalNumber.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char* skipBlanks(const char* s)
{
    while (*s == ' ' || *s == '\t')
        ++s;
    return s;
}

const char* skipSign(const char* s)
{
    return *s == '+' || *s == '-' ? s + 1 : s;
}

const char* skipDigits(const char* s)
{
    while (isDigit(*s))
        ++s;
    return s;
}

} // namespace

DecimalStatus readDecimalLong(const char* text, long& value, const char** end)
{
    const char* start = skipBlanks(text);
    const char* digits = skipSign(start);
    const char* stop = skipDigits(digits);
    if (end)
        *end = stop == digits ? text : stop;
    if (stop == digits)
        return DecimalStatus::NOT_A_NUMBER;
    errno = 0;
    value = std::strtol(start, nullptr, 10);
    return errno == ERANGE ? DecimalStatus::OUT_OF_RANGE : DecimalStatus::OK;
}

DecimalStatus readDecimalDouble(const char* text, double& value, const char** end)
{
    const char* start = skipBlanks(text);
    const char* mantissa = skipSign(start);
    const char* s = skipDigits(mantissa);
    bool hasDigits = s != mantissa;
    if (*s == '.') {
        const char* fraction = s + 1;
        s = skipDigits(fraction);
        hasDigits = hasDigits || s != fraction;
    }
    if (!hasDigits) {
        if (end)
            *end = text;
        return DecimalStatus::NOT_A_NUMBER;
    }
    if (*s == 'e' || *s == 'E') {
        const char* exponent = skipSign(s + 1);
        const char* stop = skipDigits(exponent);
        if (stop != exponent)
            s = stop;
    }
    if (end)
        *end = s;
    // Only the scanned text goes to the conversion, which would otherwise
    // take "0x10" as hexadecimal.
    const std::string number(start, s);
    value = std::strtod(number.c_str(), nullptr);
    // An underflow reads as the nearest representable value, near enough 0.
    return std::isfinite(value) ? DecimalStatus::OK : DecimalStatus::OUT_OF_RANGE;
}
