// The object tree of a .x file body. Objects of the types the mesh reader
// interprets are kept with their members as a flat list of numbers and
// strings (separators carry no meaning and are dropped); template
// declarations and objects of any other type are skipped whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xfile_tokens.h"

enum class XDataKind : uint8_t { Integer, Float, String };

struct XDataItem {
    uint32_t bits;      // the integer, the float's bits, or an index into XObject::strings
    uint32_t position;  // line or byte offset, for messages
    XDataKind kind;
};

// A nested object, or a reference `{ Name }`, `{ <GUID> }`, `{ Name <GUID> }`.
struct XChild {
    int32_t object = -1;  // index into XDocument::objects; -1 for a reference
    std::string_view referenceName;
    std::string referenceGuid;
    uint32_t position = 0;
};

struct XObject {
    std::string_view type;
    std::string_view name;
    std::string guid;
    uint32_t position = 0;     // where the type identifier is
    uint32_t endPosition = 0;  // where the closing brace is
    std::vector<XDataItem> data;
    std::vector<std::string_view> strings;
    std::vector<XChild> children;
};

struct XDocument {
    bool binary = false;
    uint32_t endPosition = 0;                                   // end of the body, for messages about the whole file
    std::vector<XObject> objects;                               // every kept object, in document order
    std::vector<int32_t> topLevel;                              // indices of the top-level objects
    std::unordered_map<std::string_view, int32_t> firstByName;  // for references
    std::unordered_map<std::string, int32_t> firstByGuid;
};

// Reads the whole body. Names and strings point into the tokenizer's input,
// which must outlive the document.
bool ParseXDocument(XTokenizer &tokenizer, XDocument &document, std::string &error);

bool XTypeIs(const XObject &object, std::string_view type);  // case-insensitive

// The object a child stands for: itself, or the first object named by the
// reference (by GUID when it has no name); null when there is none.
const XObject *ResolveXChild(const XDocument &document, const XChild &child);

// "line N: reason" or "byte offset N: reason"; always returns false.
bool XFail(const XDocument &document, uint32_t position, const std::string &reason, std::string &error);
