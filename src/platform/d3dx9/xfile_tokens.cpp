#include "xfile_tokens.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

// Binary token codes.
enum : uint16_t {
    kTokenName = 1,
    kTokenString = 2,
    kTokenInteger = 3,
    kTokenGuid = 5,
    kTokenIntegerList = 6,
    kTokenFloatList = 7,
    kTokenOpenBrace = 10,
    kTokenCloseBrace = 11,
    kTokenComma = 19,
    kTokenSemicolon = 20,
    kTokenTemplate = 31,
    kTokenFirstKeyword = 40,  // WORD .. ARRAY
    kTokenLastKeyword = 52,
};

bool Fail(const XTokenizer &t, uint32_t position, const std::string &reason, std::string &error) {
    error = XPositionText(t.binary, position) + ": " + reason;
    return false;
}

// Shows one input byte in a message, readable whatever it is.
std::string ByteText(uint8_t byte) {
    char text[16];
    if (byte >= 0x20 && byte < 0x7f) {
        snprintf(text, sizeof text, "'%c'", byte);
    } else {
        snprintf(text, sizeof text, "byte 0x%02X", byte);
    }
    return text;
}

// ---- binary -------------------------------------------------------------

uint32_t BinaryOffset(const XTokenizer &t, size_t pos) { return t.offsetBase + uint32_t(pos); }

size_t BytesLeft(const XTokenizer &t) { return t.size - t.pos; }

uint16_t ReadU16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }

uint32_t ReadU32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads a 32-bit count or length followed by `count * unit` bytes that must all be present.
bool ReadBinaryCount(XTokenizer &t, size_t unit, uint32_t tokenStart, const char *what, uint32_t &count,
                     std::string &error) {
    if (BytesLeft(t) < 4) return Fail(t, tokenStart, std::string("truncated ") + what, error);
    count = ReadU32(t.data + t.pos);
    t.pos += 4;
    if (uint64_t(count) * unit > BytesLeft(t)) {
        return Fail(t, tokenStart,
                    std::string(what) + " of " + std::to_string(count) + " needs " +
                        std::to_string(uint64_t(count) * unit) + " bytes, only " + std::to_string(BytesLeft(t)) +
                        " left",
                    error);
    }
    return true;
}

// The next number of the list in progress.
void NextListNumber(XTokenizer &t, XToken &token) {
    token.position = BinaryOffset(t, t.pos);
    t.listLeft--;
    if (!t.listIsFloat) {
        token.kind = XTokenKind::Integer;
        token.integer = ReadU32(t.data + t.pos);
        t.pos += 4;
        return;
    }
    token.kind = XTokenKind::Float;
    if (t.doubles) {
        uint64_t bits = uint64_t(ReadU32(t.data + t.pos)) | uint64_t(ReadU32(t.data + t.pos + 4)) << 32;
        double value;
        memcpy(&value, &bits, sizeof value);
        // Out-of-range doubles become infinities rather than undefined conversions.
        if (value > 3.4028234663852886e38) value = __builtin_inf();
        if (value < -3.4028234663852886e38) value = -__builtin_inf();
        token.real = float(value);
        t.pos += 8;
    } else {
        uint32_t bits = ReadU32(t.data + t.pos);
        memcpy(&token.real, &bits, sizeof token.real);
        t.pos += 4;
    }
}

std::string BinaryGuidText(const uint8_t *p) {
    // Data1, Data2 and Data3 are little-endian numbers; Data4 is 8 bytes in order.
    char text[33];
    snprintf(text, sizeof text, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", ReadU32(p), ReadU16(p + 4),
             ReadU16(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
    return text;
}

// Reads one token; an empty list leaves token.kind at End with input left,
// and the caller reads again.
bool ReadBinaryToken(XTokenizer &t, XToken &token, std::string &error) {
    uint32_t start = BinaryOffset(t, t.pos);
    token.position = start;
    if (BytesLeft(t) == 0) {
        token.kind = XTokenKind::End;
        return true;
    }
    if (BytesLeft(t) < 2) return Fail(t, start, "truncated token", error);
    uint16_t code = ReadU16(t.data + t.pos);
    t.pos += 2;
    uint32_t count = 0;
    switch (code) {
        case kTokenName:
        case kTokenString:
            if (!ReadBinaryCount(t, 1, start, code == kTokenName ? "name" : "string", count, error)) {
                return false;
            }
            token.kind = code == kTokenName ? XTokenKind::Name : XTokenKind::String;
            token.text = std::string_view(reinterpret_cast<const char *>(t.data + t.pos), count);
            t.pos += count;
            if (code == kTokenString) {
                // A string carries its own terminator token.
                if (BytesLeft(t) < 2) return Fail(t, start, "string without its terminator", error);
                uint16_t terminator = ReadU16(t.data + t.pos);
                if (terminator != kTokenComma && terminator != kTokenSemicolon) {
                    return Fail(t, BinaryOffset(t, t.pos),
                                "string terminator is token " + std::to_string(terminator) + ", not ';' or ','", error);
                }
                t.pos += 2;
            }
            return true;
        case kTokenInteger:
            if (BytesLeft(t) < 4) return Fail(t, start, "truncated integer", error);
            token.kind = XTokenKind::Integer;
            token.integer = ReadU32(t.data + t.pos);
            t.pos += 4;
            return true;
        case kTokenGuid:
            if (BytesLeft(t) < 16) return Fail(t, start, "truncated GUID", error);
            token.kind = XTokenKind::Guid;
            token.guid = BinaryGuidText(t.data + t.pos);
            t.pos += 16;
            return true;
        case kTokenIntegerList:
        case kTokenFloatList: {
            bool isFloat = code == kTokenFloatList;
            size_t unit = isFloat && t.doubles ? 8 : 4;
            if (!ReadBinaryCount(t, unit, start, isFloat ? "float list" : "integer list", count, error)) {
                return false;
            }
            t.listLeft = count;
            t.listIsFloat = isFloat;
            token.kind = XTokenKind::End;
            return true;
        }
        case kTokenOpenBrace: token.kind = XTokenKind::OpenBrace; return true;
        case kTokenCloseBrace: token.kind = XTokenKind::CloseBrace; return true;
        case kTokenComma:
        case kTokenSemicolon: token.kind = XTokenKind::Separator; return true;
        case kTokenTemplate: token.kind = XTokenKind::Template; return true;
        default:
            if ((code >= 12 && code <= 18) || (code >= kTokenFirstKeyword && code <= kTokenLastKeyword)) {
                token.kind = XTokenKind::Other;
                return true;
            }
            return Fail(t, start, "unknown token " + std::to_string(code), error);
    }
}

bool NextBinaryToken(XTokenizer &t, XToken &token, std::string &error) {
    for (;;) {
        if (t.listLeft > 0) {
            NextListNumber(t, token);
            return true;
        }
        if (!ReadBinaryToken(t, token, error)) return false;
        // End with input left means a list was just opened: go on with its numbers,
        // or past it when it is empty.
        if (token.kind != XTokenKind::End || (t.pos == t.size && t.listLeft == 0)) return true;
    }
}

// ---- text ---------------------------------------------------------------

bool IsNameChar(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(uint8_t c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

uint8_t TextAt(const XTokenizer &t, size_t pos) { return pos < t.size ? t.data[pos] : 0; }

void SkipSpaceAndComments(XTokenizer &t) {
    while (t.pos < t.size) {
        uint8_t c = t.data[t.pos];
        if (c == '\n') {
            t.line++;
            t.pos++;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\0' || c == '\f' || c == '\v') {
            t.pos++;
        } else if (c == '#' || (c == '/' && TextAt(t, t.pos + 1) == '/')) {
            while (t.pos < t.size && t.data[t.pos] != '\n') t.pos++;
        } else {
            return;
        }
    }
}

bool ReadTextString(XTokenizer &t, XToken &token, std::string &error) {
    size_t start = ++t.pos;  // past the opening quote
    while (t.pos < t.size && t.data[t.pos] != '"' && t.data[t.pos] != '\n') t.pos++;
    if (t.pos >= t.size || t.data[t.pos] != '"') return Fail(t, t.line, "unterminated string", error);
    token.kind = XTokenKind::String;
    token.text = std::string_view(reinterpret_cast<const char *>(t.data + start), t.pos - start);
    t.pos++;
    return true;
}

// <XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>, spaces allowed inside the brackets.
bool ReadTextGuid(XTokenizer &t, XToken &token, std::string &error) {
    std::string compact;
    t.pos++;  // past '<'
    while (t.pos < t.size && t.data[t.pos] != '>' && t.data[t.pos] != '\n' && compact.size() <= 40) {
        uint8_t c = t.data[t.pos++];
        if (c != ' ' && c != '\t' && c != '\r') compact += char(c);
    }
    if (t.pos >= t.size || t.data[t.pos] != '>') return Fail(t, t.line, "unterminated or malformed GUID", error);
    t.pos++;
    static const int kGroupLengths[5] = {8, 4, 4, 4, 12};
    token.guid.clear();
    size_t at = 0;
    for (int group = 0; group < 5; group++) {
        if (group > 0) {
            if (at >= compact.size() || compact[at] != '-') break;
            at++;
        }
        for (int i = 0; i < kGroupLengths[group] && at < compact.size() && IsHexDigit(compact[at]); i++) {
            token.guid += char(toupper(uint8_t(compact[at++])));
        }
    }
    if (token.guid.size() != 32 || at != compact.size()) {
        return Fail(t, t.line, "malformed GUID <" + compact + ">", error);
    }
    token.kind = XTokenKind::Guid;
    return true;
}

// A run of name and number characters is a number when it reads as one
// completely, else a name (names may begin with a digit).
bool ClassifyTextWord(XTokenizer &t, std::string_view word, XToken &token, std::string &error) {
    token.text = word;
    bool allNameChars = true;
    bool allDigits = true;
    for (char c : word) {
        allNameChars = allNameChars && IsNameChar(uint8_t(c));
        allDigits = allDigits && IsDigit(uint8_t(c));
    }
    if (allDigits) {
        uint64_t value = 0;
        for (char c : word) {
            value = value * 10 + uint64_t(c - '0');
            if (value > UINT32_MAX) return Fail(t, t.line, "integer " + std::string(word) + " too large", error);
        }
        token.kind = XTokenKind::Integer;
        token.integer = uint32_t(value);
        return true;
    }
    std::string_view number = word;
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
    size_t digitAt = !number.empty() && number[0] == '-' ? 1 : 0;
    if (digitAt < number.size() && number[digitAt] == '.') digitAt++;
    if (digitAt < number.size() && IsDigit(uint8_t(number[digitAt]))) {
        float value = 0;
        auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec == std::errc() && result.ptr == number.data() + number.size()) {
            token.kind = XTokenKind::Float;
            token.real = value;
            return true;
        }
        if (result.ec == std::errc::result_out_of_range) {
            return Fail(t, t.line, "number " + std::string(word) + " out of range", error);
        }
    }
    if (allNameChars) {
        token.kind = XTokenKind::Name;
        return true;
    }
    return Fail(t, t.line, "malformed number or name '" + std::string(word) + "'", error);
}

bool NextTextToken(XTokenizer &t, XToken &token, std::string &error) {
    SkipSpaceAndComments(t);
    token.position = t.line;
    token.text = {};
    if (t.pos >= t.size) {
        token.kind = XTokenKind::End;
        return true;
    }
    uint8_t c = t.data[t.pos];
    switch (c) {
        case '{':
            t.pos++;
            token.kind = XTokenKind::OpenBrace;
            return true;
        case '}':
            t.pos++;
            token.kind = XTokenKind::CloseBrace;
            return true;
        case ';':
        case ',':
            t.pos++;
            token.kind = XTokenKind::Separator;
            return true;
        case '[':
        case ']':
        case '(':
        case ')':
            t.pos++;
            token.kind = XTokenKind::Other;
            return true;
        case '"': return ReadTextString(t, token, error);
        case '<': return ReadTextGuid(t, token, error);
        default: break;
    }
    if (c == '.' && !IsDigit(TextAt(t, t.pos + 1))) {  // "..." in template restrictions
        t.pos++;
        token.kind = XTokenKind::Other;
        return true;
    }
    if (!IsNameChar(c) && c != '.' && c != '+') {
        return Fail(t, t.line, "unexpected " + ByteText(c), error);
    }
    size_t start = t.pos;
    while (t.pos < t.size && (IsNameChar(t.data[t.pos]) || t.data[t.pos] == '.' || t.data[t.pos] == '+')) {
        t.pos++;
    }
    std::string_view word(reinterpret_cast<const char *>(t.data + start), t.pos - start);
    if (!ClassifyTextWord(t, word, token, error)) return false;
    if (token.kind == XTokenKind::Name && word.size() == 8) {
        static const char kTemplate[] = "template";
        bool isTemplate = true;
        for (size_t i = 0; i < 8; i++) isTemplate = isTemplate && tolower(uint8_t(word[i])) == kTemplate[i];
        if (isTemplate) token.kind = XTokenKind::Template;
    }
    return true;
}

}  // namespace

XTokenizer MakeXTokenizer(const uint8_t *body, size_t size, bool binary, bool doubles, uint32_t offsetBase) {
    XTokenizer t;
    t.data = body;
    t.size = size;
    t.binary = binary;
    t.doubles = doubles;
    t.offsetBase = offsetBase;
    return t;
}

bool NextXToken(XTokenizer &tokenizer, XToken &token, std::string &error) {
    return tokenizer.binary ? NextBinaryToken(tokenizer, token, error) : NextTextToken(tokenizer, token, error);
}

std::string XPositionText(bool binary, uint32_t position) {
    return (binary ? "byte offset " : "line ") + std::to_string(position);
}
