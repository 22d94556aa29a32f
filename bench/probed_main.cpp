// The program as the start-up benchmark runs it: the product's own entry
// code, with the start-up report in front when the benchmark asks for it.
#include <windows.h>

#include "app/app.h"
#include "bench/startup_probe.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR commandLine, int showCommand)
{
    bench::ReportStartupIfAsked(commandLine, BUBBLE_CLASS_NAME);
    return RunBubble(instance, showCommand);
}
