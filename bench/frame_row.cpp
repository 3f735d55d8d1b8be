#include "frame_row.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <variant>

namespace {

struct Column {
    const char *name;
    std::variant<int FrameRow::*, double FrameRow::*> field;
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
    {"specified_pass_ms", &FrameRow::programPass},
    {"specified_frame_ms", &FrameRow::programFrame},
    {"batched_pass_ms", &FrameRow::batchedPass},
    {"batched_frame_ms", &FrameRow::batchedFrame},
    {"batched_differing", &FrameRow::batchedDiffering},
    {"temporal_pass_ms", &FrameRow::temporalPass},
    {"temporal_frame_ms", &FrameRow::temporalFrame},
    {"temporal_drawn", &FrameRow::temporalDrawn},
    {"temporal_wrongly_culled", &FrameRow::temporalWronglyCulled},
    {"temporal_wrongly_drawn", &FrameRow::temporalWronglyDrawn},
    {"hiz_pass_ms", &FrameRow::hizPass},
    {"hiz_frame_ms", &FrameRow::hizFrame},
    {"hiz_drawn", &FrameRow::hizDrawn},
    {"hiz_missed", &FrameRow::hizMissed},
    {"hiz_extra", &FrameRow::hizExtra},
    {"off_frame_ms", &FrameRow::offFrame},
    {"cpu_pass_ms", &FrameRow::cpuPass},
    {"cpu_frame_ms", &FrameRow::cpuFrame},
    {"cpu_pass_other_threads_ms", &FrameRow::cpuPassOtherThreads},
    {"cpu_drawn", &FrameRow::cpuDrawn},
    {"cpu_missed", &FrameRow::cpuMissed},
    {"cpu_extra", &FrameRow::cpuExtra},
    {"truth_visible", &FrameRow::truthVisible},
    {"specified_missed_truth", &FrameRow::specifiedMissedTruth},
    {"specified_missed_pixels", &FrameRow::specifiedMissedPixels},
    {"specified_wasted", &FrameRow::specifiedWasted},
    {"batched_missed_truth", &FrameRow::batchedMissedTruth},
    {"batched_missed_pixels", &FrameRow::batchedMissedPixels},
    {"batched_wasted", &FrameRow::batchedWasted},
    {"temporal_missed_truth", &FrameRow::temporalMissedTruth},
    {"temporal_missed_pixels", &FrameRow::temporalMissedPixels},
    {"temporal_wasted", &FrameRow::temporalWasted},
    {"hiz_missed_truth", &FrameRow::hizMissedTruth},
    {"hiz_missed_pixels", &FrameRow::hizMissedPixels},
    {"hiz_wasted", &FrameRow::hizWasted},
    {"cpu_missed_truth", &FrameRow::cpuMissedTruth},
    {"cpu_missed_pixels", &FrameRow::cpuMissedPixels},
    {"cpu_wasted", &FrameRow::cpuWasted},
    {"lag2_frame_ms", &FrameRow::lag2Frame},
    {"lag2_missed_truth", &FrameRow::lag2MissedTruth},
    {"lag2_missed_pixels", &FrameRow::lag2MissedPixels},
    {"lag2_wasted", &FrameRow::lag2Wasted},
    {"lag3_frame_ms", &FrameRow::lag3Frame},
    {"lag3_missed_truth", &FrameRow::lag3MissedTruth},
    {"lag3_missed_pixels", &FrameRow::lag3MissedPixels},
    {"lag3_wasted", &FrameRow::lag3Wasted},
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
            if (auto integer = std::get_if<int FrameRow::*>(&column.field))
                fprintf(file, "%s%d", separator, row.**integer);
            else
                fprintf(file, "%s%.3f", separator, row.*std::get<double FrameRow::*>(column.field));
            separator = ",";
        }
        fputc('\n', file);
    }
    bool written = !ferror(file);
    if (fclose(file) != 0) written = false;
    if (!written) fprintf(stderr, "occlusion-bench: %s: cannot be written\n", path.c_str());
    return written;
}
