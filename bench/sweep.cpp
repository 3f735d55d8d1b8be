#include "sweep.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "machine.h"
#include "method_frames.h"
#include "methods/forest.h"
#include "methods/ground_truth.h"
#include "methods/plain_context.h"
#include "methods/statistics.h"
#include "scene/scene.h"

namespace {

struct Layout {
    const char *name;
    std::vector<int> counts;
    bool spread;  // the square grows with the count
};
const Layout Layouts[] = {
    {"same_area", {30, 100, 300, 1000, 3000, 10000}, false},
    {"constant_density", {300, 1000, 3000, 10000, 30000, 100000}, true},
};

// Each method's figures on every frame at one count.
struct SweepPoint {
    int trees = 0;
    std::vector<double> cost[MethodCount], frame[MethodCount], drawn[MethodCount], missed[MethodCount];
};

double SpreadFor(const Layout &layout, int trees) { return layout.spread ? ConstantDensitySpread(trees) : TreeSpread; }

// Every method warmed on the first camera, then frame by frame the methods
// take turns, so that they meet the same load; the truth after each frame.
bool MeasureCount(GlScene &scene, GroundTruth &truth, const Layout &layout, int trees,
                  const std::vector<D3DXMATRIX> &path, unsigned seed, SweepPoint &point) {
    scene.worlds = ForestWorlds(trees, seed, (float)SpreadFor(layout, trees));
    UploadWorlds(scene);
    std::vector<Methods> methods(MethodCount);
    std::vector<CullTimer> timers(MethodCount);
    std::string error;
    for (int m = 0; m < MethodCount; ++m)
        if (!CreateMethod(methods[m], (Method)m, scene, error)) {
            fprintf(stderr, "occlusion-bench: %d trees: %s: %s\n", trees, MethodName((Method)m), error.c_str());
            return false;
        }
    for (int m = 0; m < MethodCount; ++m) SettleMethod(methods[m], (Method)m, scene, path[0], timers[m]);
    point.trees = trees;
    for (const D3DXMATRIX &viewProjection : path) {
        std::vector<MethodFigures> figures;
        for (int m = 0; m < MethodCount; ++m)
            figures.push_back(RunMethodFrame(methods[m], (Method)m, timers[m], scene, viewProjection));
        std::vector<int> pixels = GroundTruthPixels(scene, truth, viewProjection);
        for (int m = 0; m < MethodCount; ++m) {
            FrameScore score = ScoreFrame(figures[m].drawn, pixels, {});
            point.cost[m].push_back(figures[m].times.Cost());
            point.frame[m].push_back(figures[m].times.frame);
            point.drawn[m].push_back(score.drawn);
            point.missed[m].push_back(score.missed);
        }
    }
    for (int m = 0; m < MethodCount; ++m) {
        DestroyMethods(methods[m]);
        DestroyCullTimer(timers[m]);
    }
    return true;
}

// The tree count where method m's median frame falls below baseline b's,
// from the first pair of counts that straddles it, interpolated on the log
// of the count; "never" when it stays above, "<N" when it is below from the
// first count N.
std::string Crossover(const std::vector<SweepPoint> &points, int m, int b) {
    double previous = 0;
    for (size_t k = 0; k < points.size(); ++k) {
        double ratio = Median(points[k].frame[m]) / Median(points[k].frame[b]);
        if (ratio < 1) {
            if (k == 0) return "<" + std::to_string(points[0].trees);
            double t = (previous - 1) / (previous - ratio);
            double logCount = std::log((double)points[k - 1].trees) +
                              t * (std::log((double)points[k].trees) - std::log((double)points[k - 1].trees));
            return std::to_string((int)std::lround(std::exp(logCount)));
        }
        previous = ratio;
    }
    return "never";
}

// The least-squares slope of log(median cost) against log(count).
double CostExponent(const std::vector<SweepPoint> &points, int m) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const SweepPoint &point : points) {
        double cost = Median(point.cost[m]);
        if (cost <= 0) continue;
        double x = std::log((double)point.trees), y = std::log(cost);
        n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    double denominator = n * sxx - sx * sx;
    return n >= 2 && denominator > 0 ? (n * sxy - sx * sy) / denominator : 0;
}

void PrintLayout(const Layout &layout, const std::vector<SweepPoint> &points) {
    int off = (int)Method::Off, frustum = (int)Method::Frustum;
    for (const SweepPoint &point : points)
        for (int m = 0; m < MethodCount; ++m) {
            const char *name = MethodName((Method)m);
            printf("sweep_%s_%d_%s_frame_ms: %.3f\n", layout.name, point.trees, name, Median(point.frame[m]));
            printf("sweep_%s_%d_%s_cost_ms: %.3f\n", layout.name, point.trees, name, Median(point.cost[m]));
            printf("sweep_%s_%d_%s_drawn: %.1f\n", layout.name, point.trees, name, Median(point.drawn[m]));
            printf("sweep_%s_%d_%s_missed_truth_mean: %.2f\n", layout.name, point.trees, name, Mean(point.missed[m]));
        }
    for (int m = 0; m < MethodCount; ++m) {
        const char *name = MethodName((Method)m);
        if (m != off) printf("sweep_%s_crossover_%s_vs_off: %s\n", layout.name, name, Crossover(points, m, off).c_str());
        if (m != off && m != frustum)
            printf("sweep_%s_crossover_%s_vs_frustum: %s\n", layout.name, name, Crossover(points, m, frustum).c_str());
        printf("sweep_%s_%s_cost_exponent: %.3f\n", layout.name, name, CostExponent(points, m));
        // The headline: how a method's cost grows with the forest at constant density.
        if (layout.spread) printf("%s_cost_exponent: %.3f\n", name, CostExponent(points, m));
    }
}

bool WriteSweepCsv(const std::string &path, const std::vector<std::string> &header,
                   const std::vector<std::pair<const Layout *, std::vector<SweepPoint>>> &runs) {
    FILE *file = fopen(path.c_str(), "w");
    if (!file) {
        perror(path.c_str());
        return false;
    }
    for (const std::string &line : header) fprintf(file, "# %s\n", line.c_str());
    fprintf(file, "layout,trees,method,cost_ms,frame_ms,drawn,missed_truth_mean,frame_vs_off,frame_vs_frustum\n");
    for (const auto &[layout, points] : runs)
        for (const SweepPoint &point : points)
            for (int m = 0; m < MethodCount; ++m)
                fprintf(file, "%s,%d,%s,%.3f,%.3f,%.1f,%.2f,%.4f,%.4f\n", layout->name, point.trees,
                        MethodName((Method)m), Median(point.cost[m]), Median(point.frame[m]), Median(point.drawn[m]),
                        Mean(point.missed[m]), Median(point.frame[m]) / Median(point.frame[(int)Method::Off]),
                        Median(point.frame[m]) / Median(point.frame[(int)Method::Frustum]));
    return fclose(file) == 0;
}

}  // namespace

int RunSweep(const std::vector<CameraPose> &path, const std::string &pathName, unsigned seed,
             const std::string &csvPath, PlainGlErrorHandler onError) {
    std::vector<D3DXMATRIX> matrices;
    for (const CameraPose &pose : path) matrices.push_back(PoseViewProjection(pose, MainTargetWidth, MainTargetHeight));
    ContextPair contexts;
    GlScene scene;
    GroundTruth truth;
    std::string error;
    if (!MakePlainContext(contexts, error, onError) || !LoadGlScene(scene, ForestWorlds(1, seed), error) ||
        !CreateGroundTruth(truth, MainTargetWidth, MainTargetHeight, error)) {
        fprintf(stderr, "occlusion-bench: plain OpenGL: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::string> header = DescribeMachine();
    header.push_back("seed: " + std::to_string(seed));
    header.push_back("path: " + pathName);
    for (const std::string &line : header) printf("%s\n", line.c_str());
    printf("sweep: %zu frames per count, medians of the frames\n", path.size());
    std::vector<std::pair<const Layout *, std::vector<SweepPoint>>> runs;
    for (const Layout &layout : Layouts) {
        printf("%s\n%7s", layout.name, "trees");
        for (int m = 0; m < MethodCount; ++m) printf(" %13s", MethodName((Method)m));
        printf("   (frame ms)\n");
        runs.push_back({&layout, {}});
        for (int trees : layout.counts) {
            runs.back().second.emplace_back();
            SweepPoint &point = runs.back().second.back();
            if (!MeasureCount(scene, truth, layout, trees, matrices, seed, point)) return 1;
            printf("%7d", trees);
            for (int m = 0; m < MethodCount; ++m) printf(" %13.2f", Median(point.frame[m]));
            printf("\n");
            fflush(stdout);
        }
    }
    printf("\n");
    for (const auto &[layout, points] : runs) PrintLayout(*layout, points);
    printf("sweep_peak_resident_mb: %.1f\n", PeakResidentMegabytes());
    return csvPath.empty() || WriteSweepCsv(csvPath, header, runs) ? 0 : 1;
}
