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
