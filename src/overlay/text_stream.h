// A reusable text builder that formats numbers the way a default C++ output
// stream does on the program's original platform: general notation,
// precision 6, a signed three-digit exponent, "." as decimal point.
#pragma once

#include <string>

struct TextBuilder {
    std::string text;

    TextBuilder() { text.reserve(256); }
    void Clear() { text.clear(); }  // keeps the storage: no allocation per frame
    const char *c_str() const { return text.c_str(); }

    TextBuilder &operator<<(const char *s) {
        text += s;
        return *this;
    }
    TextBuilder &operator<<(char c) {
        text += c;
        return *this;
    }
    TextBuilder &operator<<(float value);
    TextBuilder &operator<<(double value);
    TextBuilder &operator<<(int value);
    TextBuilder &operator<<(unsigned value);
};

// The general-notation text of a value with six significant digits.
std::string FormatGeneral(double value);
