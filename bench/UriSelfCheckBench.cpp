// How long the percent codec's load-time self-check takes: the first (cold) run, as DllMain
// sees it, then the best and the median of many warm runs, in microseconds. The median rather
// than the mean, because a rare scheduler pause would otherwise dominate the figure.

#include "UriCodec.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double timedSelfCheck(LARGE_INTEGER frequency, int& failures)
{
    LARGE_INTEGER start, stop;
    QueryPerformanceCounter(&start);
    failures += UriCodec::selfCheck();
    QueryPerformanceCounter(&stop);
    return 1e6 * static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main()
{
    constexpr std::size_t WarmRuns = 2001;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    int failures = 0;
    const double cold = timedSelfCheck(frequency, failures);
    std::vector<double> warm(WarmRuns);
    for (double& elapsed : warm)
        elapsed = timedSelfCheck(frequency, failures);
    std::sort(warm.begin(), warm.end());

    std::printf("UriCodec::selfCheck: first run %.1f us, best %.1f us, median %.1f us over %zu runs, %d failed checks\n",
                cold, warm.front(), warm[WarmRuns / 2], WarmRuns, failures);
    return failures ? 1 : 0;
}
