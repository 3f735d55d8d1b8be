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

Column Time(const char *name, std::function<double(const FrameRow &)> value) { return {name, value, 3}; }
Column Count(const char *name, std::function<double(const FrameRow &)> value) { return {name, value, 0}; }

std::vector<Column> Columns() {
    auto of = [](const char *contender) { return ContenderIndex(contender); };
    auto pass = [&](const char *c) { int k = of(c); return [k](const FrameRow &r) { return r.methods[k].pass; }; };
    auto frame = [&](const char *c) { int k = of(c); return [k](const FrameRow &r) { return r.methods[k].frame; }; };
    auto score = [&](const char *c, auto field) {
        int k = of(c);
        return [k, field](const FrameRow &r) { return (double)(r.methods[k].score.*field); };
    };
    std::vector<Column> columns = {
        Count("frame", [](const FrameRow &r) { return r.frame; }),
        Count("trees_exact", [](const FrameRow &r) { return r.treesExact; }),
        Time("depth_fill_ms", [](const FrameRow &r) { return r.parts.depthFill; }),
        Time("query_draws_ms", [](const FrameRow &r) { return r.parts.queryDraws; }),
        Time("query_wait_ms", [](const FrameRow &r) { return r.parts.queryWait; }),
        Time("pass_end_ms", [](const FrameRow &r) { return r.parts.passEnd; }),
        Time("sky_terrain_ms", [](const FrameRow &r) { return r.parts.skyTerrain; }),
        Time("trees_ms", [](const FrameRow &r) { return r.parts.trees; }),
        Time("overlay_ms", [](const FrameRow &r) { return r.parts.overlay; }),
        Time("present_ms", [](const FrameRow &r) { return r.parts.present; }),
        Time("layer_frame_ms", [](const FrameRow &r) { return r.layerFrame; }),
        Time("gl_frame_ms", frame("specified")),
        Time("specified_pass_ms", pass("specified")),
        Time("specified_frame_ms", frame("specified")),
        Time("batched_pass_ms", pass("batched")),
        Time("batched_frame_ms", frame("batched")),
        Count("batched_differing", [k = of("batched")](const FrameRow &r) {
            return r.methods[k].score.DifferingFromReference();
        }),
        Time("temporal_pass_ms", pass("temporal")),
        Time("temporal_frame_ms", frame("temporal")),
        Count("temporal_drawn", score("temporal", &FrameScore::drawn)),
        Count("temporal_wrongly_culled", score("temporal", &FrameScore::culledAgainstReference)),
        Count("temporal_wrongly_drawn", score("temporal", &FrameScore::drawnAgainstReference)),
        Time("hiz_pass_ms", pass("hiz")),
        Time("hiz_frame_ms", frame("hiz")),
        Count("hiz_drawn", score("hiz", &FrameScore::drawn)),
        Count("hiz_missed", score("hiz", &FrameScore::culledAgainstReference)),
        Count("hiz_extra", score("hiz", &FrameScore::drawnAgainstReference)),
        Time("off_frame_ms", frame("off")),
        Time("cpu_pass_ms", pass("cpu")),
        Time("cpu_frame_ms", frame("cpu")),
        Time("cpu_pass_other_threads_ms", [](const FrameRow &r) { return r.cpuPassOtherThreads; }),
        Count("cpu_drawn", score("cpu", &FrameScore::drawn)),
        Count("cpu_missed", score("cpu", &FrameScore::culledAgainstReference)),
        Count("cpu_extra", score("cpu", &FrameScore::drawnAgainstReference)),
        Count("truth_visible", [](const FrameRow &r) { return r.truthVisible; }),
    };
    for (const char *c : {"specified", "batched", "temporal", "hiz", "cpu"}) {
        std::string name = c;
        columns.push_back(Count((name + "_missed_truth").c_str(), score(c, &FrameScore::missed)));
        columns.push_back(Count((name + "_missed_pixels").c_str(), score(c, &FrameScore::missedPixels)));
        columns.push_back(Count((name + "_wasted").c_str(), score(c, &FrameScore::wasted)));
    }
    for (const char *c : {"temporal_lag2", "temporal_lag3"}) {
        std::string name = c + 9;  // lag2, lag3
        columns.push_back(Time((name + "_frame_ms").c_str(), frame(c)));
        columns.push_back(Count((name + "_missed_truth").c_str(), score(c, &FrameScore::missed)));
        columns.push_back(Count((name + "_missed_pixels").c_str(), score(c, &FrameScore::missedPixels)));
        columns.push_back(Count((name + "_wasted").c_str(), score(c, &FrameScore::wasted)));
    }
    return columns;
}

}  // namespace

std::vector<std::string> FrameCsvColumns() {
    std::vector<std::string> names;
    for (const Column &column : Columns()) names.push_back(column.name);
    return names;
}

bool WriteFrameCsv(const std::string &path, const std::vector<FrameRow> &rows) {
    FILE *file = fopen(path.c_str(), "w");
    if (!file) {
        fprintf(stderr, "occlusion-bench: %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    std::vector<Column> columns = Columns();
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
