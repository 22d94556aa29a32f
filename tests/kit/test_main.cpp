// Entry point of every test executable: the product's code runs on a thread
// with a COM apartment and with GDI+ started, as it does in the product.
#include <gtest/gtest.h>
#include <cstdio>
#include <windows.h>
#include <objbase.h>

#include "gfx/gfx.h"

// A fault in a window procedure reached through SendMessage escapes GoogleTest,
// and Wine then ends the process with 0: it ends here with the fault's code
// (stderr is unbuffered, so the line is out before the process ends).
static LONG WINAPI EndWithTheExceptionCode(EXCEPTION_POINTERS* exception)
{
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "unhandled exception 0x%08lX: the test program ends here\n", code);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetUnhandledExceptionFilter(EndWithTheExceptionCode);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return result;
}
