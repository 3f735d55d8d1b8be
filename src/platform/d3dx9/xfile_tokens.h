// Tokenizer for the body of a .x file, text or binary. Both forms come out as
// the same token stream; a binary INTEGER_LIST or FLOAT_LIST is handed out one
// number at a time, so one list may span several members of an object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class XTokenKind : uint8_t {
    End,         // end of the body
    Name,        // identifier; in text also the spelling of a number (see XToken)
    String,      // quoted string, without the quotes
    Integer,     // unsigned 32-bit
    Float,       // any other number
    Guid,        // <...>
    OpenBrace,   // {
    CloseBrace,  // }
    Separator,   // ; or ,
    Template,    // the template keyword
    Other,       // [ ] ( ) . < > and the binary type keywords, only met inside templates
};

struct XToken {
    XTokenKind kind = XTokenKind::End;
    std::string_view text;  // Name, String; in text also the spelling of a number
    std::string guid;       // Guid: 32 upper-case hex digits in written order
    uint32_t integer = 0;
    float real = 0;
    uint32_t position = 0;  // line (text) or byte offset in the file (binary)
};

struct XTokenizer {
    const uint8_t *data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    bool binary = false;
    bool doubles = false;     // binary floats are 8 bytes ("0064")
    uint32_t offsetBase = 0;  // added to binary offsets so they count from the file start
    uint32_t line = 1;        // text: current line
    uint32_t listLeft = 0;    // binary: numbers left in the current list
    bool listIsFloat = false;
};

// `body` must outlive every token read from it (names and strings point into it).
XTokenizer MakeXTokenizer(const uint8_t *body, size_t size, bool binary, bool doubles, uint32_t offsetBase);

// Reads the next token; false with `error` set ("line N: ..." or
// "byte offset N: ...") on malformed input.
bool NextXToken(XTokenizer &tokenizer, XToken &token, std::string &error);

// "line N" or "byte offset N", the prefix of every error message.
std::string XPositionText(bool binary, uint32_t position);
