#include "frame_rows.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// A CSV column: its name and its value in a row, with its decimals.
struct Column {
    std::string name;
    std::function<double(const FrameRow &)> value;
    int decimals;
};

using Row = const FrameRow &;

void PathColumns(std::vector<Column> &columns) {
    columns.insert(columns.end(), {
        {"frame", [](Row r) { return r.frame; }, 0},
        {"camera_x", [](Row r) { return r.pose.position.x; }, 3},
        {"camera_y", [](Row r) { return r.pose.position.y; }, 3},
        {"camera_z", [](Row r) { return r.pose.position.z; }, 3},
        {"camera_yaw", [](Row r) { return r.pose.yaw; }, 4},
        {"camera_pitch", [](Row r) { return r.pose.pitch; }, 4},
        {"truth_visible", [](Row r) { return r.truthVisible; }, 0},
    });
}

void LayerColumns(std::vector<Column> &columns) {
    columns.insert(columns.end(), {
        {"layer_trees_drawn", [](Row r) { return r.on.trees; }, 0},
        {"depth_fill_ms", [](Row r) { return r.parts.depthFill; }, 3},
        {"query_draws_ms", [](Row r) { return r.parts.queryDraws; }, 3},
        {"query_wait_ms", [](Row r) { return r.parts.queryWait; }, 3},
        {"pass_end_ms", [](Row r) { return r.parts.passEnd; }, 3},
        {"sky_terrain_ms", [](Row r) { return r.parts.skyTerrain; }, 3},
        {"trees_ms", [](Row r) { return r.parts.trees; }, 3},
        {"overlay_ms", [](Row r) { return r.parts.overlay; }, 3},
        {"present_ms", [](Row r) { return r.parts.present; }, 3},
        {"layer_frame_ms", [](Row r) { return r.layerFrame; }, 3},
        {"layer_pass_ms", [](Row r) { return r.passAlone; }, 3},
        {"gl_frame_ms", [](Row r) { return r.glFrame; }, 3},
        {"gl_pass_ms", [](Row r) { return r.glPass; }, 3},
    });
}

void MethodColumns(std::vector<Column> &columns) {
    for (size_t k = 0; k < Contenders.size(); ++k) {
        std::string m = Contenders[k].name;
        auto times = [k](double MethodTimes::*field) { return [k, field](Row r) { return r.methods[k].times.*field; }; };
        auto score = [k](auto field) { return [k, field](Row r) { return (double)(r.methods[k].score.*field); }; };
        columns.insert(columns.end(), {
            {m + "_submit_ms", times(&MethodTimes::submit), 3},
            {m + "_wait_ms", times(&MethodTimes::wait), 3},
            {m + "_gpu_ms", times(&MethodTimes::gpu), 3},
            {m + "_frame_ms", times(&MethodTimes::frame), 3},
            {m + "_drawn", score(&FrameScore::drawn), 0},
            {m + "_missed_truth", score(&FrameScore::missed), 0},
            {m + "_missed_pixels", score(&FrameScore::missedPixels), 0},
            {m + "_wasted", score(&FrameScore::wasted), 0},
            {m + "_pops", [k](Row r) { return r.methods[k].pops; }, 0},
            {m + "_culled_against_reference", score(&FrameScore::culledAgainstReference), 0},
            {m + "_drawn_against_reference", score(&FrameScore::drawnAgainstReference), 0},
        });
    }
}

std::vector<Column> Columns(bool withLayer) {
    std::vector<Column> columns;
    PathColumns(columns);
    if (withLayer) LayerColumns(columns);
    MethodColumns(columns);
    return columns;
}

}  // namespace

std::vector<std::string> FrameCsvColumns() {
    std::vector<std::string> names;
    for (const Column &column : Columns(true)) names.push_back(column.name);
    return names;
}

bool WriteFrameCsv(const std::string &path, const std::vector<std::string> &header, const std::vector<FrameRow> &rows,
                   bool withLayer) {
    FILE *file = fopen(path.c_str(), "w");
    if (!file) {
        fprintf(stderr, "occlusion-bench: %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    for (const std::string &line : header) fprintf(file, "# %s\n", line.c_str());
    std::vector<Column> columns = Columns(withLayer);
    const char *separator = "";
    for (const Column &column : columns) fprintf(file, "%s%s", separator, column.name.c_str()), separator = ",";
    fputc('\n', file);
    for (const FrameRow &row : rows) {
        separator = "";
        for (const Column &column : columns) {
            fprintf(file, "%s%.*f", separator, column.decimals, column.value(row));
            separator = ",";
        }
        fputc('\n', file);
    }
    bool written = !ferror(file);
    if (fclose(file) != 0) written = false;
    if (!written) fprintf(stderr, "occlusion-bench: %s: cannot be written\n", path.c_str());
    return written;
}
