#include "frame_row.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <variant>

namespace {

// A CSV column: a field of the row, or a field of one method's score.
struct Column {
    const char *name;
    std::variant<int FrameRow::*, double FrameRow::*, int MethodScore::*, double MethodScore::*> field;
    MethodScore FrameRow::*method = nullptr;
};

const Column Columns[] = {
    {"frame", &FrameRow::frame},
    {"trees_exact", &FrameRow::treesExact},
    {"depth_fill_ms", &FrameRow::depthFill},
    {"query_draws_ms", &FrameRow::queryDraws},
    {"query_wait_ms", &FrameRow::queryWait},
    {"pass_end_ms", &FrameRow::passEnd},
    {"sky_terrain_ms", &FrameRow::skyTerrain},
    {"trees_ms", &FrameRow::trees},
    {"overlay_ms", &FrameRow::overlay},
    {"present_ms", &FrameRow::present},
    {"layer_frame_ms", &FrameRow::layerFrame},
    {"gl_frame_ms", &FrameRow::glFrame},
    {"specified_pass_ms", &MethodScore::pass, &FrameRow::specified},
    {"specified_frame_ms", &MethodScore::frame, &FrameRow::specified},
    {"batched_pass_ms", &MethodScore::pass, &FrameRow::batched},
    {"batched_frame_ms", &MethodScore::frame, &FrameRow::batched},
    {"batched_differing", &MethodScore::differing, &FrameRow::batched},
    {"temporal_pass_ms", &MethodScore::pass, &FrameRow::temporal},
    {"temporal_frame_ms", &MethodScore::frame, &FrameRow::temporal},
    {"temporal_drawn", &MethodScore::drawn, &FrameRow::temporal},
    {"temporal_wrongly_culled", &MethodScore::wronglyCulled, &FrameRow::temporal},
    {"temporal_wrongly_drawn", &MethodScore::wronglyDrawn, &FrameRow::temporal},
    {"hiz_pass_ms", &MethodScore::pass, &FrameRow::hiz},
    {"hiz_frame_ms", &MethodScore::frame, &FrameRow::hiz},
    {"hiz_drawn", &MethodScore::drawn, &FrameRow::hiz},
    {"hiz_missed", &MethodScore::wronglyCulled, &FrameRow::hiz},
    {"hiz_extra", &MethodScore::wronglyDrawn, &FrameRow::hiz},
    {"off_frame_ms", &FrameRow::offFrame},
    {"cpu_pass_ms", &MethodScore::pass, &FrameRow::cpu},
    {"cpu_frame_ms", &MethodScore::frame, &FrameRow::cpu},
    {"cpu_pass_other_threads_ms", &FrameRow::cpuPassOtherThreads},
    {"cpu_drawn", &MethodScore::drawn, &FrameRow::cpu},
    {"cpu_missed", &MethodScore::wronglyCulled, &FrameRow::cpu},
    {"cpu_extra", &MethodScore::wronglyDrawn, &FrameRow::cpu},
    {"truth_visible", &FrameRow::truthVisible},
    {"specified_missed_truth", &MethodScore::missedTruth, &FrameRow::specified},
    {"specified_missed_pixels", &MethodScore::missedPixels, &FrameRow::specified},
    {"specified_wasted", &MethodScore::wasted, &FrameRow::specified},
    {"batched_missed_truth", &MethodScore::missedTruth, &FrameRow::batched},
    {"batched_missed_pixels", &MethodScore::missedPixels, &FrameRow::batched},
    {"batched_wasted", &MethodScore::wasted, &FrameRow::batched},
    {"temporal_missed_truth", &MethodScore::missedTruth, &FrameRow::temporal},
    {"temporal_missed_pixels", &MethodScore::missedPixels, &FrameRow::temporal},
    {"temporal_wasted", &MethodScore::wasted, &FrameRow::temporal},
    {"hiz_missed_truth", &MethodScore::missedTruth, &FrameRow::hiz},
    {"hiz_missed_pixels", &MethodScore::missedPixels, &FrameRow::hiz},
    {"hiz_wasted", &MethodScore::wasted, &FrameRow::hiz},
    {"cpu_missed_truth", &MethodScore::missedTruth, &FrameRow::cpu},
    {"cpu_missed_pixels", &MethodScore::missedPixels, &FrameRow::cpu},
    {"cpu_wasted", &MethodScore::wasted, &FrameRow::cpu},
    {"lag2_frame_ms", &MethodScore::frame, &FrameRow::lag2},
    {"lag2_missed_truth", &MethodScore::missedTruth, &FrameRow::lag2},
    {"lag2_missed_pixels", &MethodScore::missedPixels, &FrameRow::lag2},
    {"lag2_wasted", &MethodScore::wasted, &FrameRow::lag2},
    {"lag3_frame_ms", &MethodScore::frame, &FrameRow::lag3},
    {"lag3_missed_truth", &MethodScore::missedTruth, &FrameRow::lag3},
    {"lag3_missed_pixels", &MethodScore::missedPixels, &FrameRow::lag3},
    {"lag3_wasted", &MethodScore::wasted, &FrameRow::lag3},
};

// Writes a column's value in a row: integers as they are, times with 3 decimals.
struct ValueWriter {
    FILE *file;
    const FrameRow &row;
    MethodScore FrameRow::*method;
    void operator()(int FrameRow::*field) const { fprintf(file, "%d", row.*field); }
    void operator()(double FrameRow::*field) const { fprintf(file, "%.3f", row.*field); }
    void operator()(int MethodScore::*field) const { fprintf(file, "%d", (row.*method).*field); }
    void operator()(double MethodScore::*field) const { fprintf(file, "%.3f", (row.*method).*field); }
};

}  // namespace

bool WriteFrameCsv(const std::string &path, const std::vector<FrameRow> &rows) {
    FILE *file = fopen(path.c_str(), "w");
    if (!file) {
        fprintf(stderr, "occlusion-bench: %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    const char *separator = "";
    for (const Column &column : Columns) fprintf(file, "%s%s", separator, column.name), separator = ",";
    fputc('\n', file);
    for (const FrameRow &row : rows) {
        separator = "";
        for (const Column &column : Columns) {
            fputs(separator, file);
            std::visit(ValueWriter{file, row, column.method}, column.field);
            separator = ",";
        }
        fputc('\n', file);
    }
    bool written = !ferror(file);
    if (fclose(file) != 0) written = false;
    if (!written) fprintf(stderr, "occlusion-bench: %s: cannot be written\n", path.c_str());
    return written;
}
