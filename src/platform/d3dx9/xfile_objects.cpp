#include "xfile_objects.h"

#include <cctype>
#include <cstring>

namespace {

constexpr int kMaxDepth = 64;
constexpr size_t kMaxDataItems = size_t(1) << 26;  // 64 Mi numbers, 768 MiB held
constexpr size_t kMaxObjects = size_t(1) << 20;    // objects and references together

const char *const kKnownTypes[] = {
    "Mesh",
    "MeshNormals",
    "MeshTextureCoords",
    "MeshVertexColors",
    "MeshMaterialList",
    "Material",
    "TextureFilename",
    "Frame",
    "FrameTransformMatrix",
};

struct Parser {
    XTokenizer &tokenizer;
    XDocument &document;
    std::string &error;
    XToken token;
    bool pushedBack = false;
    size_t dataItems = 0;
    size_t objects = 0;  // and references
};

bool Next(Parser &p) {
    if (p.pushedBack) {
        p.pushedBack = false;
        return true;
    }
    return NextXToken(p.tokenizer, p.token, p.error);
}

bool Fail(Parser &p, const std::string &reason) { return XFail(p.document, p.token.position, reason, p.error); }

// In text, a name may be spelled like a number ("Material 1 { ... }").
bool IsNameToken(const Parser &p) {
    XTokenKind kind = p.token.kind;
    return kind == XTokenKind::Name ||
           (!p.document.binary && (kind == XTokenKind::Integer || kind == XTokenKind::Float));
}

std::string Quoted(std::string_view text) {
    constexpr size_t kShown = 64;
    std::string shown(text.substr(0, kShown));
    for (char &c : shown) {
        if (uint8_t(c) < 0x20 || uint8_t(c) >= 0x7f) c = '?';
    }
    return "'" + shown + (text.size() > kShown ? "...'" : "'");
}

bool IsKnownType(std::string_view type) {
    for (const char *known : kKnownTypes) {
        if (type.size() == strlen(known) && strncasecmp(type.data(), known, type.size()) == 0) return true;
    }
    return false;
}

// Skips to the brace that closes the one just read, whatever lies between.
bool SkipBlock(Parser &p, std::string_view what, uint32_t openedAt) {
    size_t depth = 1;
    while (depth > 0) {
        if (!Next(p)) return false;
        if (p.token.kind == XTokenKind::End) {
            return Fail(p, "end of file inside " + std::string(what) + " opened at " +
                               XPositionText(p.document.binary, openedAt));
        }
        if (p.token.kind == XTokenKind::OpenBrace) depth++;
        if (p.token.kind == XTokenKind::CloseBrace) depth--;
    }
    return true;
}

// template Name { ... }: declarations carry nothing the reader needs.
bool SkipTemplate(Parser &p) {
    uint32_t start = p.token.position;
    if (!Next(p)) return false;
    if (p.token.kind != XTokenKind::Name) return Fail(p, "expected a name after 'template'");
    if (!Next(p)) return false;
    if (p.token.kind != XTokenKind::OpenBrace) return Fail(p, "expected '{' after the template name");
    return SkipBlock(p, "template", start);
}

bool CountObject(Parser &p) {
    if (++p.objects <= kMaxObjects) return true;
    return Fail(p, "more than " + std::to_string(kMaxObjects) + " objects and references");
}

bool AddData(Parser &p, XObject &object) {
    if (++p.dataItems > kMaxDataItems) return Fail(p, "more than " + std::to_string(kMaxDataItems) + " values");
    XDataItem item{0, p.token.position, XDataKind::Integer};
    if (p.token.kind == XTokenKind::Integer) {
        item.bits = p.token.integer;
    } else if (p.token.kind == XTokenKind::Float) {
        item.kind = XDataKind::Float;
        memcpy(&item.bits, &p.token.real, sizeof item.bits);
    } else {
        item.kind = XDataKind::String;
        item.bits = uint32_t(object.strings.size());
        object.strings.push_back(p.token.text);
    }
    object.data.push_back(item);
    return true;
}

// After '{' in a body: { Name }, { <GUID> } or { Name <GUID> }.
bool ParseReference(Parser &p, XChild &child) {
    child.position = p.token.position;
    if (!Next(p)) return false;
    if (IsNameToken(p)) {
        child.referenceName = p.token.text;
        if (!Next(p)) return false;
    }
    if (p.token.kind == XTokenKind::Guid) {
        child.referenceGuid = p.token.guid;
        if (!Next(p)) return false;
    }
    if (p.token.kind != XTokenKind::CloseBrace) return Fail(p, "expected '}' to close the reference");
    if (child.referenceName.empty() && child.referenceGuid.empty()) return Fail(p, "empty reference '{ }'");
    return true;
}

bool ParseBody(Parser &p, int32_t objectIndex, int depth);

// The current token is the type identifier: Type [name] { [<GUID>] body }.
bool ParseObject(Parser &p, int32_t parentIndex, int depth) {
    std::string_view type = p.token.text;
    uint32_t position = p.token.position;
    std::string_view name;
    if (!Next(p)) return false;
    if (IsNameToken(p)) {
        name = p.token.text;
        if (!Next(p)) return false;
    }
    if (p.token.kind != XTokenKind::OpenBrace) return Fail(p, "expected '{' after " + Quoted(type));
    if (depth >= kMaxDepth) return Fail(p, "objects nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (!IsKnownType(type)) return SkipBlock(p, Quoted(type), position);
    if (!CountObject(p)) return false;

    int32_t index = int32_t(p.document.objects.size());
    p.document.objects.emplace_back();
    XObject &object = p.document.objects.back();
    object.type = type;
    object.name = name;
    object.position = position;
    if (!name.empty()) p.document.firstByName.emplace(name, index);  // the first of a name wins
    if (parentIndex < 0) {
        p.document.topLevel.push_back(index);
    } else {
        XChild child;
        child.object = index;
        child.position = position;
        p.document.objects[size_t(parentIndex)].children.push_back(child);
    }
    if (!Next(p)) return false;
    if (p.token.kind == XTokenKind::Guid) {
        p.document.objects[size_t(index)].guid = p.token.guid;
        p.document.firstByGuid.emplace(p.token.guid, index);
    } else {
        p.pushedBack = true;
    }
    return ParseBody(p, index, depth + 1);
}

// Reads members and children up to the closing brace (or the end of the
// body at the top level). Objects are addressed by index: the vector grows.
bool ParseBody(Parser &p, int32_t objectIndex, int depth) {
    bool topLevel = objectIndex < 0;
    std::vector<XObject> &objects = p.document.objects;
    for (;;) {
        if (!Next(p)) return false;
        switch (p.token.kind) {
            case XTokenKind::End:
                if (topLevel) return true;
                return Fail(p, "end of file inside " + Quoted(objects[size_t(objectIndex)].type) + " opened at " +
                                   XPositionText(p.document.binary, objects[size_t(objectIndex)].position));
            case XTokenKind::CloseBrace:
                if (topLevel) return Fail(p, "'}' without a matching '{'");
                objects[size_t(objectIndex)].endPosition = p.token.position;
                return true;
            case XTokenKind::Separator: break;
            case XTokenKind::Integer:
            case XTokenKind::Float:
            case XTokenKind::String:
                if (topLevel) return Fail(p, "data outside any object");
                if (!AddData(p, objects[size_t(objectIndex)])) return false;
                break;
            case XTokenKind::Template:
                if (!SkipTemplate(p)) return false;
                break;
            case XTokenKind::Name:
                if (!ParseObject(p, objectIndex, depth)) return false;
                break;
            case XTokenKind::OpenBrace: {
                if (topLevel) return Fail(p, "reference outside any object");
                XChild child;
                if (!CountObject(p) || !ParseReference(p, child)) return false;
                objects[size_t(objectIndex)].children.push_back(std::move(child));
                break;
            }
            case XTokenKind::Guid: return Fail(p, "unexpected GUID");
            case XTokenKind::Other: return Fail(p, "unexpected token");
        }
    }
}

}  // namespace

bool ParseXDocument(XTokenizer &tokenizer, XDocument &document, std::string &error) {
    document = XDocument();
    document.binary = tokenizer.binary;
    Parser p{tokenizer, document, error, XToken()};
    if (!ParseBody(p, -1, 0)) return false;
    document.endPosition = p.token.position;
    return true;
}

bool XTypeIs(const XObject &object, std::string_view type) {
    return object.type.size() == type.size() && strncasecmp(object.type.data(), type.data(), type.size()) == 0;
}

const XObject *ResolveXChild(const XDocument &document, const XChild &child) {
    if (child.object >= 0) return &document.objects[size_t(child.object)];
    if (!child.referenceName.empty()) {
        auto found = document.firstByName.find(child.referenceName);
        return found == document.firstByName.end() ? nullptr : &document.objects[size_t(found->second)];
    }
    auto found = document.firstByGuid.find(child.referenceGuid);
    return found == document.firstByGuid.end() ? nullptr : &document.objects[size_t(found->second)];
}

bool XFail(const XDocument &document, uint32_t position, const std::string &reason, std::string &error) {
    error = XPositionText(document.binary, position) + ": " + reason;
    return false;
}
