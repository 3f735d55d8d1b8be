#include "lab/panel.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "lab/forest_map.h"

namespace {

constexpr int StripHeight = 220, TitleHeight = 40;
constexpr ImGuiWindowFlags Fixed =
    ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings;

ImVec4 Colour(uint32_t rgb) {
    return ImVec4(((rgb >> 16) & 0xff) / 255.0f, ((rgb >> 8) & 0xff) / 255.0f, (rgb & 0xff) / 255.0f, 1.0f);
}

void Row(const char *label, const char *format, double value, const char *unit) {
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(label);
    ImGui::TableNextColumn();
    ImGui::Text(format, value);
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(unit);
}

void LegendEntry(uint32_t colour, const char *text) {
    ImGui::ColorButton(text, Colour(colour), ImGuiColorEditFlags_NoTooltip, ImVec2(12, 12));
    ImGui::SameLine();
    ImGui::TextUnformatted(text);
}

// The mode, and what the mode without waiting did since it was chosen.
void DrawConditionalControls(const ConditionalRendering &conditional, PanelRequests &requests) {
    bool wait = conditional.wait;
    if (ImGui::Checkbox("the GPU waits for each query", &wait)) requests.wait = wait;
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGui::TextWrapped("Trees drawn though their query passed no sample: %ld of %ld since chosen.",
                       conditional.drawnThoughCulled, conditional.queriesCulled);
    ImGui::PopStyleColor();
}

void DrawControls(Lab &lab, PanelRequests &requests) {
    ImGui::TextUnformatted("Method");
    int current = (int)lab.culling.method;
    for (int m = 0; m < MethodCount; ++m) {
        char label[96];
        snprintf(label, sizeof label, "%s  %s", MethodKeyName(m), DescribeMethod((Method)m).label);
        if (ImGui::RadioButton(label, current == m)) requests.method = m;
    }
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.75f, 0.75f, 0.75f, 1.0f));
    ImGui::TextWrapped("%s", DescribeMethod((Method)current).help);
    ImGui::PopStyleColor();

    static int trees = 0;  // the slider's value while it is dragged
    if (!ImGui::IsAnyItemActive()) trees = (int)lab.scene.worlds.size();
    ImGui::SetNextItemWidth(-70);
    ImGui::SliderInt("trees", &trees, MinTrees, MaxTrees, "%d", ImGuiSliderFlags_Logarithmic);
    if (ImGui::IsItemDeactivatedAfterEdit()) requests.trees = trees;

    if (lab.culling.method == Method::Temporal) {
        int lag = lab.methods.temporal.lag;
        ImGui::SetNextItemWidth(-70);
        if (ImGui::SliderInt("lag", &lag, 1, MaxQueryLag, "%d frames")) requests.lag = lag;
    }
    if (lab.culling.method == Method::Conditional) DrawConditionalControls(lab.methods.conditional, requests);
    if (const DepthPyramid *pyramid = MethodPyramid(lab.methods, lab.culling.method)) {
        ImGui::SetNextItemWidth(-70);
        ImGui::SliderInt("level", &lab.pyramidLevel, 0, pyramid->levels - 1);
        ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
        ImGui::TextWrapped("A box is tested at the finest level where it spans 2 x 2 texels or fewer.");
        ImGui::PopStyleColor();
    }

    bool frozen = lab.culling.frozen;
    if (ImGui::Checkbox("F  freeze the culling camera", &frozen)) requests.freeze = frozen;
    ImGui::Checkbox("score against the truth", &lab.scoreTruth);
    if (lab.scoreTruth) {
        ImGui::SameLine();
        ImGui::TextDisabled("(%.0f ms)", lab.truthMilliseconds);
    }
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("The truth: which trees show a pixel when every tree is drawn in full (costs that frame).");
}

// Frame times against time: the newest frame at the right edge, the
// graph's seconds across; a dashed line marks 1/60 s.
void DrawFrameGraph(const FrameGraph &graph) {
    float last = graph.times.empty() ? 0.0f : graph.times.back();
    float top = SlowestFrame(graph);
    ImGui::Text("Frame time, last %.0f s: %.1f ms (%.0f fps)", graph.seconds, last, last > 0 ? 1000.0f / last : 0.0f);
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImVec2 size(ImGui::GetContentRegionAvail().x, 80.0f);
    ImDrawList *draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y), IM_COL32(30, 30, 38, 255));
    auto y = [&](float ms) { return origin.y + size.y * (1.0f - ms / top); };
    if (top > 16.7f)
        draw->AddLine(ImVec2(origin.x, y(16.7f)), ImVec2(origin.x + size.x, y(16.7f)), IM_COL32(120, 120, 140, 255));
    std::vector<ImVec2> points;
    double newest = graph.ends.empty() ? 0.0 : graph.ends.back();
    for (size_t i = 0; i < graph.times.size(); ++i) {
        float x = origin.x + size.x * (float)(1.0 - (newest - graph.ends[i]) / graph.seconds);
        points.push_back(ImVec2(x, y(graph.times[i])));
    }
    if (points.size() >= 2)
        draw->AddPolyline(points.data(), (int)points.size(), IM_COL32(255, 220, 120, 255), 0, 1.5f);
    char scale[32];
    snprintf(scale, sizeof scale, "%.0f ms", top);
    draw->AddText(ImVec2(origin.x + 4, origin.y + 2), IM_COL32(200, 200, 200, 255), scale);
    draw->AddText(ImVec2(origin.x + 4, origin.y + size.y - 16), IM_COL32(200, 200, 200, 255), "0 ms");
    ImGui::Dummy(size);
}

void DrawNumbers(Lab &lab) {
    ImGui::Separator();
    ImGui::Text(lab.culling.frozen ? "The frozen frame (%s)" : "This frame (%s)", MethodName(lab.culling.method));
    const MethodTimes &t = lab.culling.times;
    const FrameScore &s = lab.score;
    bool scored = !lab.truthPixels.empty();
    double frame = lab.graph.times.empty() ? 0.0 : lab.graph.times.back();
    if (ImGui::BeginTable("numbers", 3, ImGuiTableFlags_SizingStretchProp)) {
        Row("submit", "%8.2f", t.submit, "ms");
        Row("wait", "%8.2f", t.wait, "ms");
        Row("gpu", "%8.2f", t.gpu, "ms");
        Row("frame", "%8.2f", frame, "ms");
        Row("trees drawn", "%8.0f", s.drawn, lab.scene.worlds.size() == 1 ? "tree" : "trees");
        if (scored) {
            Row("wrongly culled", "%8.0f", s.missed, "trees");
            Row("  their pixels", "%8.0f", (double)s.missedPixels, "px");
            Row("drawn for nothing", "%8.0f", s.wasted, "trees");
        }
        ImGui::EndTable();
    }
    if (ImGui::CollapsingHeader("what these mean")) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
        ImGui::TextWrapped(
            "submit: CPU time of the method's culling work, its waits left out. wait: CPU time blocked on the "
            "GPU's answers. gpu: GPU time of its culling commands (timer queries, a few frames old); on a "
            "software driver such as llvmpipe that is the driver's own threads on the same CPU cores, so it "
            "overlaps submit and wait. frame: the lab's whole frame, its panel and insets included.");
        ImGui::PopStyleColor();
    }
    if (!scored) ImGui::TextDisabled("(errors need the truth: tick the box above)");

    DrawFrameGraph(lab.graph);
}

// What chc did in the frame shown: its queries, and the rings on the map.
void DrawChcFrame(const Lab &lab) {
    const ChcCounts &c = lab.methods.chc.counts;
    ImGui::Separator();
    ImGui::Text("chc: %d queries (%d multi, of %d nodes)", c.queries, c.multiQueries, c.nodesInMultiQueries);
    ImGui::Text("waited %d times; %d queries out at the end", c.waits, c.inFlight);
    LegendEntry(QueriedColour, "ring: queried, alone or with others");
    LegendEntry(InCellColour, "ring: its cell's box queried");
    LegendEntry(SkippedColour, "ring: drawn unqueried");
    LegendEntry(InFlightColour, "ring: its query in flight at the end");
    if (ImGui::CollapsingHeader("what the rings mean")) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
        ImGui::TextWrapped("The map's rings: what chc did with each tree in the frame shown. A tree visible last "
                           "frame is drawn at once and asked again every %d frames (at a random offset at "
                           "first), its answer never awaited: red while it is still out when the frame ends. "
                           "Hidden cells (as one box) and trees are asked every frame, those hidden for frames "
                           "running several to a query, and their answers awaited.",
                           ChcRequeryInterval);
        ImGui::PopStyleColor();
    }
}

void DrawLegend() {
    ImGui::Separator();
    LegendEntry(MissedColour, "wrongly culled: visible, but culled");
    LegendEntry(WastedColour, "drawn for nothing (frozen)");
    LegendEntry(CulledColour, "rightly culled as hidden (frozen: boxes)");
    LegendEntry(OutOfViewColour, "out of view (map)");
    LegendEntry(DrawnColour, "drawn and visible (map)");
    LegendEntry(FrustumColour, "culling camera's frustum");
    ImGui::Separator();
    ImGui::TextDisabled("W S A D move, J L turn, I K tilt");
    ImGui::TextDisabled("1 .. %s method, F freeze", MethodKeyName(std::min(MethodCount, 12) - 1));
}

void Inset(const char *title, int x, const LabLayout &layout, GLuint image, const char *caption) {
    ImGui::SetNextWindowPos(ImVec2((float)x, (float)layout.stripY));
    ImGui::SetNextWindowSize(ImVec2((float)layout.insetWidth + 16, (float)layout.stripHeight));
    ImGui::Begin(title, nullptr, Fixed);
    ImGui::Image((ImTextureID)(intptr_t)image, ImVec2((float)layout.insetWidth, (float)layout.insetHeight));
    if (caption) {
        ImVec2 corner = ImGui::GetItemRectMin();
        ImGui::GetWindowDrawList()->AddText(ImVec2(corner.x + 4, corner.y + 4), IM_COL32(255, 220, 120, 255), caption);
    }
    ImGui::End();
}

}  // namespace

const char *MethodKeyName(int m) {
    static const char *const names[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "="};
    return m >= 0 && m < 12 ? names[m] : "";
}

LabLayout LayOut(int width, int height) {
    LabLayout layout;
    layout.height = height;
    layout.stripHeight = StripHeight;
    layout.insetHeight = StripHeight - TitleHeight;
    layout.insetWidth = layout.insetHeight * 4 / 3;
    // Three insets and the square map along the bottom; the panel takes the rest of the width.
    int strip = 3 * (layout.insetWidth + 16) + layout.insetHeight + 16;
    layout.panelWidth = std::max(280, width - strip);
    layout.panelX = width - layout.panelWidth;
    layout.stripY = std::max(0, height - StripHeight);
    int sceneSpace = layout.panelX, sceneTall = layout.stripY;
    layout.sceneWidth = std::min(sceneSpace, sceneTall * 4 / 3);
    layout.sceneHeight = layout.sceneWidth * 3 / 4;
    layout.sceneX = (sceneSpace - layout.sceneWidth) / 2;
    layout.sceneY = (sceneTall - layout.sceneHeight) / 2;
    return layout;
}

void DrawPanel(Lab &lab, const LabLayout &layout, PanelRequests &requests) {
    ImGui::SetNextWindowPos(ImVec2((float)layout.panelX, 0));
    ImGui::SetNextWindowSize(ImVec2((float)layout.panelWidth, (float)layout.height));
    ImGui::Begin("Occlusion culling", nullptr, Fixed);
    DrawControls(lab, requests);
    DrawNumbers(lab);
    if (lab.culling.method == Method::Chc) DrawChcFrame(lab);
    DrawLegend();
    ImGui::End();
}

void DrawInsets(Lab &lab, const LabLayout &layout, const D3DXMATRIX &viewer) {
    Method method = lab.culling.method;
    int x = 0, step = layout.insetWidth + 16;
    char title[96];
    snprintf(title, sizeof title, "Occlusion buffer, %d x %d###occlusion", DepthViewWidth, DepthViewHeight);
    Inset(title, x, layout, lab.depth.occlusion.image,
          DescribeMethod(method).fillsOcclusionBuffer ? nullptr : "not used by this method");
    x += step;
    const DepthPyramid *pyramid = MethodPyramid(lab.methods, method);
    int level = pyramid ? std::min(lab.pyramidLevel, pyramid->levels - 1) : lab.pyramidLevel;
    if (pyramid)
        snprintf(title, sizeof title, "Depth pyramid, level %d (%d x %d)###pyramid", level, pyramid->width >> level,
                 pyramid->height >> level);
    else
        snprintf(title, sizeof title, "Depth pyramid###pyramid");
    Inset(title, x, layout, lab.depth.pyramid.image, pyramid ? nullptr : "not used by this method");
    x += step;
    snprintf(title, sizeof title, "CPU depth buffer, %d x %d###cpu", DepthViewWidth, DepthViewHeight);
    Inset(title, x, layout, lab.depth.cpu.image,
          CpuRasteriserOf(lab.methods, method) ? nullptr : "not used by this method");
    x += step;

    ImGui::SetNextWindowPos(ImVec2((float)x, (float)layout.stripY));
    ImGui::SetNextWindowSize(ImVec2((float)layout.insetHeight + 16, (float)layout.stripHeight));
    ImGui::Begin("Map", nullptr, Fixed);
    DrawForestMap(lab.scene, lab.states, lab.rings, lab.culling.viewProjection, viewer, (float)layout.insetHeight);
    ImGui::End();
}
