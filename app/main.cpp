// Process entry of the desktop bubble.
#include <windows.h>

#include "app/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int showCommand)
{
    return RunBubble(instance, showCommand);
}
