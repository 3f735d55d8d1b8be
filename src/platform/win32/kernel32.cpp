// The few kernel32 calls the program makes: module handle, performance
// counter, string length and MulDiv.
#include "win32/win32.h"

#include <climits>
#include <cstring>
#include <ctime>

namespace {

int64_t MonotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The counter runs from process start, so its readings stay small and keep
// their resolution when turned into float seconds, however long the machine
// has been up.
const int64_t ProcessStartNs = MonotonicNanoseconds();

// The one module: its handle only has to be non-null and stable.
char ThisModule;

// A counter tests set by hand, in place of the clock.
bool ManualCounter = false;
int64_t ManualTicks = 0;

}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    return lpModuleName == nullptr ? reinterpret_cast<HMODULE>(&ThisModule) : nullptr;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *lpFrequency) {
    if (lpFrequency == nullptr) return FALSE;
    lpFrequency->QuadPart = 1000000000;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *lpPerformanceCount) {
    if (lpPerformanceCount == nullptr) return FALSE;
    lpPerformanceCount->QuadPart = ManualCounter ? ManualTicks : MonotonicNanoseconds() - ProcessStartNs;
    return TRUE;
}

void SetManualPerformanceCounter(bool on, int64_t ticks) {
    ManualCounter = on;
    ManualTicks = ticks;
}

int WINAPI lstrlenA(LPCSTR lpString) { return lpString == nullptr ? 0 : int(strlen(lpString)); }

// nNumber * nNumerator / nDenominator with a 64-bit product, rounded half away
// from zero; -1 for a zero denominator or a result beyond 32 bits.
int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    const int64_t product = int64_t(nNumber) * nNumerator;
    const bool negative = (product < 0) != (nDenominator < 0);
    const uint64_t magnitude = product < 0 ? uint64_t(-product) : uint64_t(product);
    const uint64_t divisor = nDenominator < 0 ? uint64_t(-int64_t(nDenominator)) : uint64_t(nDenominator);
    const uint64_t quotient = (magnitude + divisor / 2) / divisor;
    const int64_t result = negative ? -int64_t(quotient) : int64_t(quotient);
    if (result > INT_MAX || result < INT_MIN) return -1;
    return int(result);
}
