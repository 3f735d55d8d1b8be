// Direct3D 9's fixed-function pipeline as generated GLSL programs: one small
// program per combination of vertex format, lighting, texture stages and
// alpha test in use, built on first use and cached.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

struct StageKey {
    uint8_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    uint8_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    uint8_t texCoordIndex = 0;
    bool operator==(const StageKey &) const = default;
};

struct ShaderKey {
    uint8_t pretransformed = 0;  // D3DFVF_XYZRHW
    uint8_t hasDiffuse = 0;
    uint8_t texCount = 0;
    uint8_t lighting = 0;
    uint8_t alphaFunc = 0;    // D3DCMPFUNC, 0 when the alpha test is off
    uint8_t stageCount = 0;   // stages in effect, after disabled and unbound ones
    uint8_t clipControl = 0;  // depth range done by glClipControl
    StageKey stages[2];
    bool operator==(const ShaderKey &) const = default;
};

struct ShaderProgram {
    ShaderKey key;
    GLuint program = 0;
    GLint worldViewProjection = -1, viewport = -1, pixelOffset = -1, pixelShift = -1;
    GLint alphaRef = -1, textureFactor = -1, lightColor = -1;
    // Which generation of each uniform group this program last received.
    unsigned transformGeneration = 0, viewportGeneration = 0;
    unsigned pixelGeneration = 0, lightingGeneration = 0;
};

struct ShaderCache {
    std::vector<ShaderProgram *> programs;
    // Finds or builds the program for the key; null if the driver refuses it.
    ShaderProgram *Get(const ShaderKey &key);
    void Destroy();
};

// Direct3D puts pixel centres on integer coordinates, OpenGL half a pixel
// further: every vertex moves right and down by half a pixel, exactly as
// Direct3D maps them, so that texture coordinates are sampled where Direct3D
// samples them. Where the driver breaks the tie of an edge that runs exactly
// through pixel centres otherwise than Direct3D's top-left rule, the device
// moves that axis one sub-pixel step (of 8 bits) less, so that such edges fall
// the Direct3D way (see ChoosePixelShift).
constexpr float PixelShiftExact = 0.5f;
constexpr float PixelShiftTieBreak = 0.49609375f;

// Attribute locations shared by every generated program.
enum VertexAttribute { AttributePosition = 0, AttributeNormal = 1, AttributeColor = 2, AttributeTex0 = 3, AttributeTex1 = 4 };
