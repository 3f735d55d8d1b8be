#include "lab/forest_map.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "lab/scene_marks.h"
#include "scene/scene.h"

namespace {

ImU32 ImColour(uint32_t rgb, int alpha = 255) {
    return IM_COL32((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff, alpha);
}

// World units from the centre to the map's edge: the forest's extent and a margin.
float MapHalfSize(const GlScene &scene) {
    float extent = TreeSpread;
    for (const D3DXMATRIX &world : scene.worlds) extent = std::max({extent, std::fabs(world._41), std::fabs(world._43)});
    return extent * 1.08f + 10.0f;
}

// World x to the right, z up the map (north).
ImVec2 ToMap(const ImVec2 &origin, float side, float half, float x, float z) {
    float scale = side / (2.0f * half);
    return ImVec2(origin.x + (x + half) * scale, origin.y + (half - z) * scale);
}

}  // namespace

void DrawForestMap(const GlScene &scene, const std::vector<TreeState> &states, const std::vector<uint32_t> &rings,
                   const D3DXMATRIX &cullingViewProjection, const D3DXMATRIX &viewer, float side) {
    ImDrawList *draw = ImGui::GetWindowDrawList();
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImVec2 end(origin.x + side, origin.y + side);
    draw->AddRectFilled(origin, end, IM_COL32(28, 40, 28, 255));
    draw->PushClipRect(origin, end, true);

    // Drawn trees first, so the errors are on top. A large forest's trees are
    // single pixels, so that the map stays readable (and cheap to draw).
    float half = MapHalfSize(scene);
    bool crowded = scene.worlds.size() > 3000;
    float radius = side > 300 ? 2.5f : 1.5f;
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < scene.worlds.size() && i < states.size(); ++i) {
            bool error = states[i] == TreeState::Missed || states[i] == TreeState::Wasted;
            if (error != (pass == 1)) continue;
            uint32_t colour = states[i] == TreeState::Drawn       ? DrawnColour
                              : states[i] == TreeState::Culled    ? CulledColour
                              : states[i] == TreeState::OutOfView ? OutOfViewColour
                              : states[i] == TreeState::Missed    ? MissedColour
                                                                  : WastedColour;
            ImVec2 at = ToMap(origin, side, half, scene.worlds[i]._41, scene.worlds[i]._43);
            if (crowded && !error)
                draw->AddRectFilled(at, ImVec2(at.x + 1, at.y + 1), ImColour(colour));
            else
                draw->AddCircleFilled(at, states[i] == TreeState::Missed ? radius * 2 : radius, ImColour(colour));
            if (i < rings.size() && rings[i] != NoRing) draw->AddCircle(at, radius + 2.0f, ImColour(rings[i]), 0, 1.0f);
        }

    // The frustum's four side edges, from the near plane's corners to the far plane's.
    D3DXMATRIX inverse;
    if (D3DXMatrixInverse(&inverse, nullptr, &cullingViewProjection)) {
        D3DXVECTOR3 corner[2][4];
        for (int depth = 0; depth < 2; ++depth)
            for (int c = 0; c < 4; ++c) {
                D3DXVECTOR3 clip((c & 1) ? 1.0f : -1.0f, (c & 2) ? 1.0f : -1.0f, (float)depth);
                D3DXVec3TransformCoord(&corner[depth][c], &clip, &inverse);
            }
        for (int c = 0; c < 4; ++c)
            draw->AddLine(ToMap(origin, side, half, corner[0][c].x, corner[0][c].z),
                          ToMap(origin, side, half, corner[1][c].x, corner[1][c].z), ImColour(FrustumColour), 1.5f);
    }
    // The viewer's heading: its forward axis (the matrix's third row), 15 units long.
    float length = 15.0f / std::max(1e-6f, std::hypot(viewer._31, viewer._33));
    ImVec2 at = ToMap(origin, side, half, viewer._41, viewer._43);
    ImVec2 ahead = ToMap(origin, side, half, viewer._41 + viewer._31 * length, viewer._43 + viewer._33 * length);
    draw->AddLine(at, ahead, IM_COL32(255, 255, 255, 255), 2.0f);
    draw->AddCircleFilled(at, 4.0f, IM_COL32(255, 255, 255, 255));
    draw->PopClipRect();
    ImGui::Dummy(ImVec2(side, side));
}
