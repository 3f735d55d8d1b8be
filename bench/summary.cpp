#include "summary.h"

#include <cstdio>

#include "frame_rows.h"
#include "methods/statistics.h"

namespace {

std::string Fixed(double value, int decimals) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A column of the rows.
std::vector<double> Column(const BenchRun &run, const std::function<double(const FrameRow &)> &value) {
    std::vector<double> values;
    for (const FrameRow &row : run.rows) values.push_back(value(row));
    return values;
}

double MeanOf(const BenchRun &run, const std::function<double(const FrameRow &)> &value) {
    return Mean(Column(run, value));
}
double MedianOf(const BenchRun &run, const std::function<double(const FrameRow &)> &value) {
    return Median(Column(run, value));
}
double SumOf(const BenchRun &run, const std::function<double(const FrameRow &)> &value) {
    double sum = 0;
    for (double v : Column(run, value)) sum += v;
    return sum;
}

double PassOn(const BenchRun &r) { return MeanOf(r, [](const FrameRow &row) { return row.on.occlusion; }); }
double MainOn(const BenchRun &r) { return MeanOf(r, [](const FrameRow &row) { return row.on.main; }); }
double PassOff(const BenchRun &r) { return MeanOf(r, [](const FrameRow &row) { return row.off.occlusion; }); }
double MainOff(const BenchRun &r) { return MeanOf(r, [](const FrameRow &row) { return row.off.main; }); }
double FrameOn(const BenchRun &r) { return PassOn(r) + MainOn(r); }
double FrameOff(const BenchRun &r) { return PassOff(r) + MainOff(r); }
double PassAlone(const BenchRun &r) { return MeanOf(r, [](const FrameRow &row) { return row.passAlone; }); }
double Part(const BenchRun &r, double FrameBreakdown::*part) {
    return MeanOf(r, [part](const FrameRow &row) { return row.parts.*part; });
}
double PassParts(const BenchRun &r) {
    return Part(r, &FrameBreakdown::depthFill) + Part(r, &FrameBreakdown::queryDraws) +
           Part(r, &FrameBreakdown::queryWait) + Part(r, &FrameBreakdown::passEnd);
}

// One contender's figure on every frame.
std::function<double(const FrameRow &)> Pass(const char *c) {
    int k = ContenderIndex(c);
    return [k](const FrameRow &row) { return row.methods[k].pass; };
}
std::function<double(const FrameRow &)> Frame(const char *c) {
    int k = ContenderIndex(c);
    return [k](const FrameRow &row) { return row.methods[k].frame; };
}
template <typename Field> std::function<double(const FrameRow &)> Score(const char *c, Field field) {
    int k = ContenderIndex(c);
    return [k, field](const FrameRow &row) { return (double)(row.methods[k].score.*field); };
}
std::function<double(const FrameRow &)> Differing(const char *c) {
    int k = ContenderIndex(c);
    return [k](const FrameRow &row) { return (double)row.methods[k].score.DifferingFromReference(); };
}

using Keys = std::vector<SummaryKey>;

void LayerKeys(Keys &keys) {
    keys.insert(keys.end(), {
        {"occlusion_pass_ms_layer", "ms", "the program's occlusion pass alone through the layer, mean",
         [](const BenchRun &r) { return Fixed(PassAlone(r), 3); }},
        {"occlusion_pass_ms_gl", "ms", "the same pass in plain OpenGL, mean",
         [](const BenchRun &r) { return Fixed(MeanOf(r, Pass("specified")), 3); }},
        {"layer_vs_gl", "ratio", "occlusion_pass_ms_layer over occlusion_pass_ms_gl",
         [](const BenchRun &r) { return Fixed(PassAlone(r) / MeanOf(r, Pass("specified")), 3); }},
        {"flags_differing_from_gl", "trees", "flags the plain OpenGL pass sets unlike the layer's, over all frames",
         [](const BenchRun &r) { return Fixed(SumOf(r, Differing("specified")), 0); }},
        {"main_pass_ms_cull_on", "ms", "the program's main scene with culling on, mean",
         [](const BenchRun &r) { return Fixed(MainOn(r), 3); }},
        {"main_pass_ms_cull_off", "ms", "the program's main scene with culling off, mean",
         [](const BenchRun &r) { return Fixed(MainOff(r), 3); }},
        {"frame_ms_cull_on", "ms", "the program's whole frame with culling on, mean",
         [](const BenchRun &r) { return Fixed(FrameOn(r), 3); }},
        {"frame_ms_cull_off", "ms", "the program's whole frame with culling off, mean",
         [](const BenchRun &r) { return Fixed(FrameOff(r), 3); }},
        {"cull_on_vs_off", "ratio", "frame_ms_cull_on over frame_ms_cull_off",
         [](const BenchRun &r) { return Fixed(FrameOn(r) / FrameOff(r), 3); }},
        {"trees_drawn_mean", "trees", "trees the program draws with culling on, mean",
         [](const BenchRun &r) { return Fixed(MeanOf(r, [](const FrameRow &row) { return row.on.trees; }), 1); }},
        {"fps_cull_on", "1/s", "1000 over frame_ms_cull_on", [](const BenchRun &r) { return Fixed(1000.0 / FrameOn(r), 1); }},
        {"fps_cull_off", "1/s", "1000 over frame_ms_cull_off",
         [](const BenchRun &r) { return Fixed(1000.0 / FrameOff(r), 1); }},
    });
}

void BreakdownKeys(Keys &keys) {
    const std::pair<const char *, double FrameBreakdown::*> parts[] = {
        {"depth_fill_ms", &FrameBreakdown::depthFill}, {"query_draws_ms", &FrameBreakdown::queryDraws},
        {"query_wait_ms", &FrameBreakdown::queryWait}};
    for (const auto &[name, part] : parts)
        keys.push_back({name, "ms", "the program's frame taken apart: this part, mean",
                        [part = part](const BenchRun &r) { return Fixed(Part(r, part), 3); }});
    keys.push_back({"query_wait_share", "ratio", "query_wait_ms over the pass's four parts",
                    [](const BenchRun &r) { return Fixed(Part(r, &FrameBreakdown::queryWait) / PassParts(r), 3); }});
    const std::pair<const char *, double FrameBreakdown::*> scene[] = {
        {"sky_terrain_ms", &FrameBreakdown::skyTerrain}, {"trees_ms", &FrameBreakdown::trees},
        {"overlay_ms", &FrameBreakdown::overlay}, {"present_ms", &FrameBreakdown::present}};
    for (const auto &[name, part] : scene)
        keys.push_back({name, "ms", "the program's main scene taken apart: this part, mean",
                        [part = part](const BenchRun &r) { return Fixed(Part(r, part), 3); }});
    keys.push_back({"breakdown_flags_differing", "trees", "flags the frame taken apart sets unlike the pass (must be 0)",
                    [](const BenchRun &r) {
                        return Fixed(SumOf(r, [](const FrameRow &row) { return row.breakdownDiffering; }), 0);
                    }});
    auto layerFrame = [](const FrameRow &row) { return row.layerFrame; };
    keys.insert(keys.end(), {
        {"frame_ms_layer", "ms", "the whole frame without text through the layer, mean",
         [layerFrame](const BenchRun &r) { return Fixed(MeanOf(r, layerFrame), 3); }},
        {"frame_ms_gl", "ms", "the same frame in plain OpenGL, mean",
         [](const BenchRun &r) { return Fixed(MeanOf(r, Frame("specified")), 3); }},
        {"frame_pixels_differing_from_gl", "pixels", "pixels of the first frame unlike in the two pictures",
         [](const BenchRun &r) { return Fixed(r.picturesDiffering, 0); }},
        {"frame_layer_vs_gl", "ratio", "frame_ms_layer over frame_ms_gl",
         [layerFrame](const BenchRun &r) { return Fixed(MeanOf(r, layerFrame) / MeanOf(r, Frame("specified")), 3); }},
    });
}

SummaryKey MeanKey(const std::string &name, const char *unit, const char *meaning,
                   std::function<double(const FrameRow &)> value, int decimals) {
    return {name, unit, meaning, [value, decimals](const BenchRun &r) { return Fixed(MeanOf(r, value), decimals); }};
}
SummaryKey SumKey(const std::string &name, const char *unit, const char *meaning,
                  std::function<double(const FrameRow &)> value) {
    return {name, unit, meaning, [value](const BenchRun &r) { return Fixed(SumOf(r, value), 0); }};
}
SummaryKey CountKey(const std::string &name, const char *unit, const char *meaning, int BenchRun::*field) {
    return {name, unit, meaning, [field](const BenchRun &r) { return Fixed(r.*field, 0); }};
}

void MethodKeys(Keys &keys) {
    keys.push_back(MeanKey("pass_ms_specified", "ms", "the program's pass in plain OpenGL: until its flags are known",
                           Pass("specified"), 3));
    keys.push_back(MeanKey("frame_ms_specified", "ms", "its whole frame", Frame("specified"), 3));
    keys.push_back(MeanKey("pass_ms_batched", "ms", "batched queries: until the flags are known", Pass("batched"), 3));
    keys.push_back(MeanKey("frame_ms_batched", "ms", "its whole frame", Frame("batched"), 3));
    keys.push_back(SumKey("batched_flags_differing", "trees", "its flags unlike the program's pass (must be 0)",
                          Differing("batched")));
    keys.push_back(MeanKey("pass_ms_temporal", "ms", "temporal queries: until the flags are known", Pass("temporal"), 3));
    keys.push_back(MeanKey("frame_ms_temporal", "ms", "its whole frame", Frame("temporal"), 3));
    keys.push_back(MeanKey("temporal_flags_differing_mean", "trees", "its flags unlike the program's pass, per frame",
                           Differing("temporal"), 2));
    keys.push_back(MeanKey("temporal_wrongly_culled_mean", "trees", "visible in the program's pass, culled, per frame",
                           Score("temporal", &FrameScore::culledAgainstReference), 2));
    keys.push_back(MeanKey("temporal_wrongly_drawn_mean", "trees", "hidden in the program's pass, drawn, per frame",
                           Score("temporal", &FrameScore::drawnAgainstReference), 2));
    keys.push_back(CountKey("temporal_results_not_ready", "queries", "results not yet available when read",
                            &BenchRun::temporalResultsNotReady));
    keys.push_back(MeanKey("pass_ms_hiz", "ms", "the depth pyramid: until the flags are known", Pass("hiz"), 3));
    keys.push_back(MeanKey("frame_ms_hiz", "ms", "its whole frame", Frame("hiz"), 3));
    keys.push_back(SumKey("hiz_visible_missed", "trees", "visible in the program's pass, culled (must be 0)",
                          Score("hiz", &FrameScore::culledAgainstReference)));
    keys.push_back(MeanKey("hiz_extra_drawn_mean", "trees", "hidden in the program's pass, drawn, per frame",
                           Score("hiz", &FrameScore::drawnAgainstReference), 2));
    keys.push_back(MeanKey("frame_ms_gl_cull_off", "ms", "plain OpenGL with every tree drawn", Frame("off"), 3));
    keys.push_back(MeanKey("pass_ms_cpu", "ms", "the CPU rasteriser: until the flags are known", Pass("cpu"), 3));
    keys.push_back(MeanKey("frame_ms_cpu", "ms", "its whole frame", Frame("cpu"), 3));
    keys.push_back(CountKey("cpu_threads", "threads", "the CPU method's threads", &BenchRun::cpuThreads));
    keys.push_back(CountKey("cpu_other_threads", "threads", "the thread count timed beside it", &BenchRun::cpuOtherThreads));
    keys.push_back(MeanKey("pass_ms_cpu_other_threads", "ms", "the CPU pass on the other thread count",
                           [](const FrameRow &row) { return row.cpuPassOtherThreads; }, 3));
    keys.push_back(SumKey("cpu_visible_missed", "trees", "visible in the program's pass, culled (must be 0)",
                          Score("cpu", &FrameScore::culledAgainstReference)));
    keys.push_back(MeanKey("cpu_extra_drawn_mean", "trees", "hidden in the program's pass, drawn, per frame",
                           Score("cpu", &FrameScore::drawnAgainstReference), 2));
    keys.push_back(MeanKey("cpu_drawn_mean", "trees", "trees it draws, per frame", Score("cpu", &FrameScore::drawn), 1));
}

const char *const Scored[] = {"specified", "batched", "temporal", "hiz", "cpu", "temporal_lag2", "temporal_lag3"};

void TruthKeys(Keys &keys) {
    keys.push_back(MeanKey("truth_visible_mean", "trees", "trees that show a pixel with every tree drawn, per frame",
                           [](const FrameRow &row) { return row.truthVisible; }, 1));
    keys.push_back(CountKey("truth_picture_pixels_differing", "pixels",
                            "the first frame with the pass's flags against every tree drawn: pixels unlike",
                            &BenchRun::truthPictureDiffering));
    keys.push_back(CountKey("truth_picture_pixels_unexplained", "pixels",
                            "of those, pixels not on a visible tree the pass culled (must be 0)",
                            &BenchRun::truthPictureUnexplained));
    keys.push_back({"specified_frames_hiding_visible", "frames", "frames where the program's pass culls a visible tree",
                    [](const BenchRun &r) {
                        int hiding = 0;
                        for (double missed : Column(r, Score("specified", &FrameScore::missed))) hiding += missed > 0;
                        return std::to_string(hiding) + " of " + std::to_string(r.frames);
                    }});
    for (const char *c : Scored) {
        std::string name = c;
        keys.push_back(MeanKey(name + "_missed_truth_mean", "trees", "visible trees it culled, per frame",
                               Score(c, &FrameScore::missed), 2));
        keys.push_back(MeanKey(name + "_missed_pixels_mean", "pixels", "the pixels they would have covered, per frame",
                               Score(c, &FrameScore::missedPixels), 1));
        keys.push_back(MeanKey(name + "_wasted_mean", "trees", "hidden trees it drew, per frame",
                               Score(c, &FrameScore::wasted), 2));
    }
}

void MedianKeys(Keys &keys) {
    auto median = [](const std::string &name, std::function<double(const FrameRow &)> value) {
        return SummaryKey{name, "ms", "median over the frames",
                          [value](const BenchRun &r) { return Fixed(MedianOf(r, value), 3); }};
    };
    for (const char *c : Scored) keys.push_back(median(std::string("pass_ms_median_") + c, Pass(c)));
    keys.push_back(median("pass_ms_median_cpu_other_threads", [](const FrameRow &row) { return row.cpuPassOtherThreads; }));
    for (const char *c : Scored) keys.push_back(median(std::string("frame_ms_median_") + c, Frame(c)));
    keys.push_back(median("frame_ms_median_off", Frame("off")));
    keys.push_back(MeanKey("frame_ms_temporal_lag2", "ms", "temporal with lag 2: its whole frame", Frame("temporal_lag2"), 3));
    keys.push_back(MeanKey("frame_ms_temporal_lag3", "ms", "temporal with lag 3: its whole frame", Frame("temporal_lag3"), 3));
}

void StartupKeys(Keys &keys) {
    for (int i = 0; i < StartupPhaseCount; ++i)
        keys.push_back({std::string("startup_") + StartupPhaseNames[i] + "_ms", "ms", "start-up: this step",
                        [i](const BenchRun &r) { return Fixed(i < (int)r.startup.size() ? r.startup[i].ms : 0, 3); }});
    keys.push_back({"startup_ms", "ms", "start-up: every step", [](const BenchRun &r) {
                        double total = 0;
                        for (const StartupPhase &phase : r.startup) total += phase.ms;
                        return Fixed(total, 3);
                    }});
}

}  // namespace

std::vector<SummaryKey> SummaryKeys() {
    Keys keys;
    LayerKeys(keys);
    BreakdownKeys(keys);
    MethodKeys(keys);
    TruthKeys(keys);
    MedianKeys(keys);
    StartupKeys(keys);
    return keys;
}

void PrintSummary(const BenchRun &run) {
    for (const SummaryKey &key : SummaryKeys()) printf("%s: %s\n", key.name.c_str(), key.value(run).c_str());
}

void PrintSummaryKeys() {
    for (const SummaryKey &key : SummaryKeys())
        printf("key %s [%s] %s\n", key.name.c_str(), key.unit.c_str(), key.meaning.c_str());
    for (const std::string &column : FrameCsvColumns()) printf("column %s\n", column.c_str());
    for (int k = 0; k < ContenderCount; ++k) printf("contender %s\n", Contenders[k].name);
}
