// bench.exe: the benchmarks of the product's code inside this process and
// the baseline program, which the driver (scripts/driver bench) runs and judges.
//   bench.exe locator | tick [N] | steady [--smoke] [--plant-slowdown]
//   bench.exe bare [--report-startup] [--track]    the baseline program (bare.cpp)
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench.h"

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    bool startup = false, track = false;
    for (int i = 2; i < argc; ++i) {
        bench::options.smoke |= std::strcmp(argv[i], "--smoke") == 0;
        bench::options.plant |= std::strcmp(argv[i], "--plant-slowdown") == 0;
        startup |= std::strcmp(argv[i], "--report-startup") == 0;
        track |= std::strcmp(argv[i], "--track") == 0;
    }
    if (command == "bare") return bench::RunBare(startup, track);   // it starts COM and GDI+ itself
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &gdiplusInput, nullptr);
    int code = 2;
    if (command == "locator") code = bench::RunLocator();
    if (command == "tick") code = bench::RunTick(argc > 2 ? std::atoi(argv[2]) : 0);
    if (command == "steady") code = bench::RunSteadyState();
    if (code == 2) std::fprintf(stderr, "usage: bench.exe locator|tick|steady|bare\n");
    return code;
}
