#include "sweep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "method_frames.h"
#include "methods/camera_path.h"
#include "methods/forest.h"
#include "methods/methods.h"
#include "methods/plain_context.h"
#include "methods/statistics.h"

namespace {

const int TreeCounts[] = {30, 100, 300, 1000, 3000, 10000};

struct SweepPoint {
    int trees = 0;
    std::vector<double> pass[MethodCount], frame[MethodCount], drawn[MethodCount];
};

// The path's matrices through the program's camera.
std::vector<D3DXMATRIX> PathMatrices(int frames) {
    std::vector<D3DXMATRIX> path;
    for (const CameraPose &pose : DefaultCameraPath(frames))
        path.push_back(PoseViewProjection(pose, MainTargetWidth, MainTargetHeight));
    return path;
}

// Each method's frames at one count, the methods taking turns on each frame
// so that they meet the same load.
bool MeasureCount(GlScene &scene, int trees, const std::vector<D3DXMATRIX> &path, SweepPoint &point) {
    Methods methods;
    std::string error;
    if (!RebuildForest(scene, methods, trees, error)) {
        fprintf(stderr, "occlusion-bench: %d trees: %s\n", trees, error.c_str());
        return false;
    }
    // Temporal's first results come from the frame before the path's first.
    CullTimer timer;
    TemporalPass(scene, methods.temporal, path[0], timer);
    point.trees = trees;
    for (const D3DXMATRIX &viewProjection : path)
        for (int m = 0; m < MethodCount; ++m) {
            TimedFrame result = RunTimedFrame(methods, (Method)m, scene, viewProjection);
            point.pass[m].push_back(result.pass);
            point.frame[m].push_back(result.frame);
            point.drawn[m].push_back((double)std::count(result.flags.begin(), result.flags.end(), true));
        }
    DestroyMethods(methods);
    return true;
}

// The tree count where a method's frame falls below culling off's, from
// the first pair of counts that straddles it, interpolated on the log of
// the count; "never" when it stays above, "<30" when it is below from the first count.
std::string Crossover(const std::vector<SweepPoint> &points, int m) {
    int off = (int)Method::Off;
    double previous = 0;
    for (size_t k = 0; k < points.size(); ++k) {
        double ratio = Median(points[k].frame[m]) / Median(points[k].frame[off]);
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

}  // namespace

int RunSweep(int frames, const std::string &csvPath) {
    std::vector<D3DXMATRIX> path = PathMatrices(frames);
    ContextPair contexts;
    GlScene scene;
    std::string error;
    if (!MakePlainContext(contexts, error) || !LoadGlScene(scene, ForestWorlds(TreeCounts[0]), error)) {
        fprintf(stderr, "occlusion-bench: plain OpenGL: %s\n", error.c_str());
        return 1;
    }
    printf("sweep: %d frames per count, medians\n", frames);
    printf("%7s", "trees");
    for (int m = 0; m < MethodCount; ++m) printf(" %11s", MethodName((Method)m));
    printf("   (frame ms)\n");
    std::vector<SweepPoint> points;
    for (int trees : TreeCounts) {
        points.emplace_back();
        if (!MeasureCount(scene, trees, path, points.back())) return 1;
        printf("%7d", trees);
        for (int m = 0; m < MethodCount; ++m) printf(" %11.2f", Median(points.back().frame[m]));
        printf("\n");
        fflush(stdout);
    }

    printf("\n");
    for (const SweepPoint &point : points)
        for (int m = 0; m < MethodCount; ++m) {
            const char *name = MethodName((Method)m);
            printf("sweep_%d_%s_frame_ms: %.3f\n", point.trees, name, Median(point.frame[m]));
            printf("sweep_%d_%s_pass_ms: %.3f\n", point.trees, name, Median(point.pass[m]));
            printf("sweep_%d_%s_drawn: %.1f\n", point.trees, name, Median(point.drawn[m]));
        }
    for (int m = 0; m < (int)Method::Off; ++m)
        printf("sweep_crossover_%s: %s\n", MethodName((Method)m), Crossover(points, m).c_str());

    if (csvPath.empty()) return 0;
    FILE *file = fopen(csvPath.c_str(), "w");
    if (!file) {
        perror(csvPath.c_str());
        return 1;
    }
    fprintf(file, "trees,method,pass_ms,frame_ms,drawn,frame_vs_off\n");
    for (const SweepPoint &point : points)
        for (int m = 0; m < MethodCount; ++m)
            fprintf(file, "%d,%s,%.3f,%.3f,%.1f,%.4f\n", point.trees, MethodName((Method)m), Median(point.pass[m]),
                    Median(point.frame[m]), Median(point.drawn[m]),
                    Median(point.frame[m]) / Median(point.frame[(int)Method::Off]));
    return fclose(file) == 0 ? 0 : 1;
}
