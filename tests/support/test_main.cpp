// Entry point of every test executable: the product's code runs on a thread
// with a COM apartment and with GDI+ started, as it does in the product.
#include <gtest/gtest.h>
#include <cstdio>
#include <windows.h>
#include <objbase.h>

#include "gfx/gfx.h"

namespace {

// A fault inside a window procedure reached through SendMessage escapes
// GoogleTest's own handler, and Wine then ends the process with exit code 0
// after its debugger has printed the crash: the run would count as passed.
// The process ends here instead, with the exception's code as its status.
LONG WINAPI EndWithTheExceptionCode(EXCEPTION_POINTERS* exception)
{
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "unhandled exception 0x%08lX: the test program ends here\n", code);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

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
