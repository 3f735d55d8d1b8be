#include "summary.h"

#include <cstdio>

#include "frame_rows.h"
#include "machine.h"
#include "methods/statistics.h"

namespace {

using Row = const FrameRow &;
using Figure = std::function<double(Row)>;
using Keys = std::vector<SummaryKey>;

std::string Fixed(double value, int decimals) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::vector<double> Column(const BenchRun &run, const Figure &figure, size_t from = 0) {
    std::vector<double> values;
    for (size_t i = from; i < run.rows.size(); ++i) values.push_back(figure(run.rows[i]));
    return values;
}
double MedianOf(const BenchRun &run, const Figure &figure) { return Median(Column(run, figure)); }
double MeanOf(const BenchRun &run, const Figure &figure) { return Mean(Column(run, figure)); }
double SumOf(const BenchRun &run, const Figure &figure) {
    double sum = 0;
    for (double v : Column(run, figure)) sum += v;
    return sum;
}

// A key whose value is a summary of one figure over the frames.
SummaryKey MedianKey(const std::string &name, const char *unit, const std::string &meaning, Figure figure, int decimals = 3) {
    return {name, unit, meaning + " (median over the frames)",
            [figure, decimals](const BenchRun &r) { return Fixed(MedianOf(r, figure), decimals); }};
}
SummaryKey MeanKey(const std::string &name, const char *unit, const std::string &meaning, Figure figure,
                   int decimals = 2) {
    return {name, unit, meaning + " (mean over the frames)",
            [figure, decimals](const BenchRun &r) { return Fixed(MeanOf(r, figure), decimals); }};
}
SummaryKey Sum(const std::string &name, const char *unit, const std::string &meaning, Figure figure) {
    return {name, unit, meaning + " (over all frames)", [figure](const BenchRun &r) { return Fixed(SumOf(r, figure), 0); }};
}
SummaryKey Ratio(const std::string &name, const std::string &meaning, Figure over, Figure under) {
    return {name, "ratio", meaning + " (of the medians)",
            [over, under](const BenchRun &r) { return Fixed(MedianOf(r, over) / MedianOf(r, under), 3); }};
}

double PassOn(Row r) { return r.on.occlusion; }
double FrameOn(Row r) { return r.on.occlusion + r.on.main; }
double FrameOff(Row r) { return r.off.occlusion + r.off.main; }
Figure Part(double FrameBreakdown::*part) { return [part](Row r) { return r.parts.*part; }; }
double PassParts(Row r) { return r.parts.depthFill + r.parts.queryDraws + r.parts.queryWait + r.parts.passEnd; }

void LayerKeys(Keys &keys) {
    Figure passAlone = [](Row r) { return r.passAlone; }, glPass = [](Row r) { return r.glPass; };
    Figure layerFrame = [](Row r) { return r.layerFrame; }, glFrame = [](Row r) { return r.glFrame; };
    keys.insert(keys.end(), {
        MedianKey("occlusion_pass_ms_layer", "ms", "the program's occlusion pass alone through the layer", passAlone),
        MedianKey("occlusion_pass_ms_gl", "ms", "the same pass in plain OpenGL, timed the same way", glPass),
        Ratio("layer_vs_gl", "occlusion_pass_ms_layer over occlusion_pass_ms_gl", passAlone, glPass),
        Sum("flags_differing_from_gl", "trees", "flags the layer's pass sets unlike plain OpenGL's",
            [](Row r) { return r.layerDifferingFromGl; }),
        MedianKey("main_pass_ms_cull_on", "ms", "the program's main scene with culling on", [](Row r) { return r.on.main; }),
        MedianKey("main_pass_ms_cull_off", "ms", "the program's main scene with culling off",
               [](Row r) { return r.off.main; }),
        MedianKey("frame_ms_cull_on", "ms", "the program's whole frame with culling on", FrameOn),
        MedianKey("frame_ms_cull_off", "ms", "the program's whole frame with culling off", FrameOff),
        Ratio("cull_on_vs_off", "frame_ms_cull_on over frame_ms_cull_off", FrameOn, FrameOff),
        MeanKey("trees_drawn_mean", "trees", "trees the program draws with culling on", [](Row r) { return r.on.trees; }, 1),
        MedianKey("pass_ms_cull_on", "ms", "the program's occlusion pass in its frame", PassOn),
        MedianKey("depth_fill_ms", "ms", "the program's frame taken apart: depth fill", Part(&FrameBreakdown::depthFill)),
        MedianKey("query_draws_ms", "ms", "the same: the query draws", Part(&FrameBreakdown::queryDraws)),
        MedianKey("query_wait_ms", "ms", "the same: blocked in GetData", Part(&FrameBreakdown::queryWait)),
        Ratio("query_wait_share", "query_wait_ms over the pass's four parts", Part(&FrameBreakdown::queryWait), PassParts),
        MedianKey("sky_terrain_ms", "ms", "the same: sky and terrain", Part(&FrameBreakdown::skyTerrain)),
        MedianKey("trees_ms", "ms", "the same: the visible trees", Part(&FrameBreakdown::trees)),
        MedianKey("overlay_ms", "ms", "the same: the statistics text", Part(&FrameBreakdown::overlay)),
        MedianKey("present_ms", "ms", "the same: the scene ended and presented", Part(&FrameBreakdown::present)),
        Sum("breakdown_flags_differing", "trees", "flags the frame taken apart sets unlike the pass (must be 0)",
            [](Row r) { return r.breakdownDiffering; }),
        MedianKey("frame_ms_layer", "ms", "the whole frame without text through the layer", layerFrame),
        MedianKey("frame_ms_gl", "ms", "the same frame in plain OpenGL", glFrame),
        {"frame_pixels_differing_from_gl", "pixels", "pixels of the first frame unlike in the two pictures",
         [](const BenchRun &r) { return Fixed(r.picturesDiffering, 0); }},
        Ratio("frame_layer_vs_gl", "frame_ms_layer over frame_ms_gl", layerFrame, glFrame),
    });
}

void TruthKeys(Keys &keys) {
    keys.push_back(MeanKey("truth_visible_mean", "trees", "trees that show a pixel with every tree drawn",
                           [](Row r) { return r.truthVisible; }, 1));
    keys.push_back({"truth_picture_pixels_differing", "pixels",
                    "the first frame with stop-and-wait's flags against every tree drawn: pixels unlike",
                    [](const BenchRun &r) { return Fixed(r.truthPictureDiffering, 0); }});
    keys.push_back({"truth_picture_pixels_unexplained", "pixels",
                    "of those, pixels not on a visible tree stop-and-wait culled (must be 0)",
                    [](const BenchRun &r) { return Fixed(r.truthPictureUnexplained, 0); }});
    int reference = ContenderIndex("stop_and_wait");
    keys.push_back({"stop_and_wait_frames_hiding_visible", "frames", "frames where stop-and-wait culls a visible tree",
                    [reference](const BenchRun &r) {
                        int hiding = 0;
                        for (const FrameRow &row : r.rows) hiding += row.methods[reference].score.missed > 0;
                        return std::to_string(hiding) + " of " + std::to_string(r.frames);
                    }});
    keys.push_back({"temporal_results_not_ready", "queries", "temporal's results not yet available when read",
                    [](const BenchRun &r) { return Fixed(r.temporalResultsNotReady, 0); }});
    keys.push_back({"conditional_no_wait_drawn_though_culled", "trees",
                    "trees conditional_no_wait drew though their query passed no sample, of the trees whose query "
                    "passed none (over all frames)",
                    [](const BenchRun &r) {
                        return Fixed((double)r.noWaitDrawnThoughCulled, 0) + " of " + Fixed((double)r.noWaitQueriesCulled, 0);
                    }});
}

// The keys each contender M gets.
void ContenderKeys(Keys &keys) {
    int off = ContenderIndex("off"), frustum = ContenderIndex("frustum");
    for (size_t k = 0; k < Contenders.size(); ++k) {
        std::string m = Contenders[k].name;
        auto times = [k](double MethodTimes::*field) { return Figure([k, field](Row r) { return r.methods[k].times.*field; }); };
        auto score = [k](auto field) { return Figure([k, field](Row r) { return (double)(r.methods[k].score.*field); }); };
        Figure frame = times(&MethodTimes::frame), pixels = score(&FrameScore::missedPixels);
        keys.insert(keys.end(), {
            MedianKey(m + "_submit_ms", "ms", "CPU time submitting its culling work, waits left out", times(&MethodTimes::submit)),
            MedianKey(m + "_wait_ms", "ms", "CPU time blocked on the GPU's answers", times(&MethodTimes::wait)),
            MedianKey(m + "_gpu_ms", "ms", "GPU time of its culling commands", times(&MethodTimes::gpu)),
            MedianKey(m + "_frame_ms", "ms", "the whole frame, culling and main scene", frame),
            MedianKey(m + "_cost_ms", "ms", "submit + wait + gpu", [k](Row r) { return r.methods[k].times.Cost(); }),
            {m + "_frames_scored", "frames", "frames its scores cover (every one: it was warmed on the first camera)",
             [](const BenchRun &r) { return Fixed((double)r.rows.size(), 0); }},
            MeanKey(m + "_drawn_mean", "trees", "trees it drew", score(&FrameScore::drawn), 1),
            MeanKey(m + "_missed_truth_mean", "trees", "trees the truth sees that it culled", score(&FrameScore::missed)),
            MeanKey(m + "_missed_pixels_mean", "pixels", "the pixels those trees would have covered", pixels, 1),
            {m + "_missed_pixels_p95", "pixels", "the same, 95th percentile over the frames",
             [pixels](const BenchRun &r) { return Fixed(Percentile(Column(r, pixels), 0.95), 0); }},
            {m + "_missed_pixels_max", "pixels", "the same, worst frame",
             [pixels](const BenchRun &r) { return Fixed(Maximum(Column(r, pixels)), 0); }},
            {m + "_pops_mean", "trees", "trees the truth sees in two frames running, drawn in one only (mean over "
                                        "the frames after the first)",
             [k](const BenchRun &r) { return Fixed(Mean(Column(r, [k](Row row) { return row.methods[k].pops; }, 1)), 2); }},
            MeanKey(m + "_wasted_mean", "trees", "trees it drew of which nothing shows", score(&FrameScore::wasted)),
            Sum(m + "_culled_against_reference", "trees", "trees stop-and-wait draws that it culled",
                score(&FrameScore::culledAgainstReference)),
            MeanKey(m + "_drawn_against_reference_mean", "trees", "trees stop-and-wait culls that it drew",
                    score(&FrameScore::drawnAgainstReference)),
            Ratio(m + "_frame_vs_off", "its frame over culling off's", frame,
                  [off](Row r) { return r.methods[off].times.frame; }),
            Ratio(m + "_frame_vs_frustum", "its frame over frustum culling's", frame,
                  [frustum](Row r) { return r.methods[frustum].times.frame; }),
        });
    }
}

void StartupKeys(Keys &keys) {
    for (int i = 0; i < StartupPhaseCount; ++i)
        keys.push_back({std::string("startup_") + StartupPhaseNames[i] + "_ms", "ms", "start-up: this step",
                        [i](const BenchRun &r) { return Fixed(i < (int)r.startup.size() ? r.startup[i].ms : 0, 3); }});
    keys.push_back({"peak_resident_mb", "MiB", "the benchmark's peak resident memory at the end of the run",
                    [](const BenchRun &) { return Fixed(PeakResidentMegabytes(), 1); }});
    keys.push_back({"startup_ms", "ms", "start-up: every step", [](const BenchRun &r) {
                        double total = 0;
                        for (const StartupPhase &phase : r.startup) total += phase.ms;
                        return Fixed(total, 3);
                    }});
}

}  // namespace

std::vector<SummaryKey> SummaryKeys(bool withLayer) {
    Keys keys;
    if (withLayer) LayerKeys(keys);
    TruthKeys(keys);
    ContenderKeys(keys);
    StartupKeys(keys);
    return keys;
}

void PrintSummary(const BenchRun &run) {
    for (const SummaryKey &key : SummaryKeys(run.withLayer))
        printf("%s: %s\n", key.name.c_str(), key.value(run).c_str());
}

void PrintSummaryKeys() {
    for (const SummaryKey &key : SummaryKeys())
        printf("key %s [%s] %s\n", key.name.c_str(), key.unit.c_str(), key.meaning.c_str());
    for (const std::string &column : FrameCsvColumns()) printf("column %s\n", column.c_str());
    for (const Contender &contender : Contenders) printf("contender %s\n", contender.name);
}
