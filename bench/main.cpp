// QZBench: figures for the tool-options service and for the work that grows
// with the number of installed compilers. Not a test: it prints figures, and
// fails only when it cannot measure.
#include <windows.h>
#include <objbase.h>

#include "bench.h"

int wmain() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool service = qz::bench::RunServiceBench();
    const bool scaling = qz::bench::RunScalingBench();
    CoUninitialize();
    return service && scaling ? 0 : 1;
}
