#include "overlay/text_stream.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Removes trailing zeros after a decimal point, and the point if bare.
void TrimFraction(std::string &s) {
    if (s.find('.') == std::string::npos) return;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
}

}  // namespace

std::string FormatGeneral(double value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    std::string sign = std::signbit(value) ? "-" : "";
    if (value == 0.0) return sign + "0";
    // Six significant digits, correctly rounded, and the decimal exponent of
    // the rounded value: "d.ddddde+XX".
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 5);
    std::string scientific(buffer, result.ptr);
    size_t e = scientific.find('e');
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, e - 2);
    int exponent = atoi(scientific.c_str() + e + 1);

    std::string out;
    if (exponent >= -4 && exponent < 6) {
        if (exponent >= 0) {
            out = digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
        } else {
            out = "0." + std::string(-exponent - 1, '0') + digits;
        }
        TrimFraction(out);
    } else {
        out = digits.substr(0, 1) + "." + digits.substr(1);
        TrimFraction(out);
        char exponentText[8];
        snprintf(exponentText, sizeof exponentText, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += exponentText;
    }
    return sign + out;
}

TextBuilder &TextBuilder::operator<<(double value) {
    text += FormatGeneral(value);
    return *this;
}

TextBuilder &TextBuilder::operator<<(float value) { return *this << (double)value; }

TextBuilder &TextBuilder::operator<<(int value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
    return *this;
}

TextBuilder &TextBuilder::operator<<(unsigned value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
    return *this;
}
