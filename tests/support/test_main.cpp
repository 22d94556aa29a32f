// Entry point of every test executable: the product's code runs on a thread
// with a COM apartment and with GDI+ started, as it does in the product.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include "gfx/gfx.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return result;
}
