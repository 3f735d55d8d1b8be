#include "live_objects.h"

namespace {
int Counts[LiveObjectKindCount];
}

int LiveObjectCount(LiveObjectKind kind) { return Counts[kind]; }

int LiveObjectTotal() {
    int total = 0;
    for (int count : Counts) total += count;
    return total;
}

void CountObjectCreated(LiveObjectKind kind) { ++Counts[kind]; }
void CountObjectDestroyed(LiveObjectKind kind) { --Counts[kind]; }
