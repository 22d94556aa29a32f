// The presentation reports: this executable's import of GetProcAddress is
// replaced, and the UpdateLayeredWindow it hands out reports each call that
// succeeded to the benchmark's window.
#include "bench/presentation_probe.h"

#include <cstdint>
#include <cstring>

#include "bench/clock.h"

namespace bench {

namespace {

using UpdateLayeredWindowFunction = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                                  BLENDFUNCTION*, DWORD);
using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);

constexpr const char* KERNEL_DLL = "kernel32.dll";
constexpr const char* GET_PROC_ADDRESS = "GetProcAddress";
constexpr const char* UPDATE_LAYERED_WINDOW = "UpdateLayeredWindow";
constexpr BYTE OPAQUE_ALPHA = 255;

constexpr int X_SHIFT = 0;
constexpr int Y_SHIFT = 16;
constexpr int WIDTH_SHIFT = 32;
constexpr int HEIGHT_SHIFT = 44;
constexpr int ALPHA_SHIFT = 56;
constexpr std::uint64_t COORDINATE_MASK = 0xFFFF;
constexpr std::uint64_t SIZE_MASK = 0xFFF;
constexpr std::uint64_t ALPHA_MASK = 0xFF;
static_assert(sizeof(WPARAM) * 8 >= ALPHA_SHIFT + 8, "a presentation fills 64 bits");

GetProcAddressFunction realGetProcAddress = nullptr;
UpdateLayeredWindowFunction realUpdateLayeredWindow = nullptr;
HWND driver = nullptr;

BOOL WINAPI ReportingUpdateLayeredWindow(HWND window, HDC destinationDC, POINT* destinationPoint, SIZE* size,
                                         HDC sourceDC, POINT* sourcePoint, COLORREF colourKey,
                                         BLENDFUNCTION* blend, DWORD flags)
{
    const BOOL result = realUpdateLayeredWindow(window, destinationDC, destinationPoint, size, sourceDC,
                                                sourcePoint, colourKey, blend, flags);
    if (!result || destinationPoint == nullptr || size == nullptr) return result;
    const LONGLONG now = Count();
    Presentation presentation;
    presentation.x = destinationPoint->x;
    presentation.y = destinationPoint->y;
    presentation.width = size->cx;
    presentation.height = size->cy;
    presentation.alpha = blend ? blend->SourceConstantAlpha : OPAQUE_ALPHA;
    if (driver == nullptr) driver = FindWindowA(PRESENTATION_DRIVER_CLASS, nullptr);
    if (driver) {
        PostMessageA(driver, WM_PRESENTATION_REPORT, PackPresentation(presentation),
                     static_cast<LPARAM>(now));
    }
    return result;
}

FARPROC WINAPI ReportingGetProcAddress(HMODULE module, LPCSTR name)
{
    const FARPROC address = realGetProcAddress(module, name);
    // A name whose upper bits are all zero is an ordinal, not a string.
    const bool byName = (reinterpret_cast<ULONG_PTR>(name) >> 16) != 0;
    if (address == nullptr || !byName || std::strcmp(name, UPDATE_LAYERED_WINDOW) != 0) return address;
    realUpdateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFunction>(reinterpret_cast<void*>(address));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&ReportingUpdateLayeredWindow));
}

// Points every import slot of `function` from `dll` in this executable at
// `replacement`; returns what the first slot held, or null when none was found.
void* ReplaceImport(const char* dll, const char* function, void* replacement)
{
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dosHeader = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* ntHeaders = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dosHeader->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = ntHeaders->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    void* original = nullptr;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), dll) != 0) continue;
        if (library->OriginalFirstThunk == 0) continue;   // no names to find the slot by
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* named = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) != 0) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection)) {
                continue;
            }
            if (original == nullptr) original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
    return original;
}

}  // namespace

WPARAM PackPresentation(const Presentation& presentation)
{
    const auto field = [](LONG value, std::uint64_t mask, int shift) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)) & mask) << shift;
    };
    return static_cast<WPARAM>(field(presentation.x, COORDINATE_MASK, X_SHIFT) |
                               field(presentation.y, COORDINATE_MASK, Y_SHIFT) |
                               field(presentation.width, SIZE_MASK, WIDTH_SHIFT) |
                               field(presentation.height, SIZE_MASK, HEIGHT_SHIFT) |
                               field(presentation.alpha, ALPHA_MASK, ALPHA_SHIFT));
}

Presentation UnpackPresentation(WPARAM packed)
{
    const std::uint64_t bits = packed;
    Presentation presentation;
    presentation.x = static_cast<std::int16_t>((bits >> X_SHIFT) & COORDINATE_MASK);
    presentation.y = static_cast<std::int16_t>((bits >> Y_SHIFT) & COORDINATE_MASK);
    presentation.width = static_cast<LONG>((bits >> WIDTH_SHIFT) & SIZE_MASK);
    presentation.height = static_cast<LONG>((bits >> HEIGHT_SHIFT) & SIZE_MASK);
    presentation.alpha = static_cast<BYTE>((bits >> ALPHA_SHIFT) & ALPHA_MASK);
    return presentation;
}

bool ReportPresentationsIfAsked(const char* commandLine)
{
    if (commandLine == nullptr || std::strstr(commandLine, REPORT_PRESENTATIONS_ARGUMENT) == nullptr) return true;
    void* const original =
        ReplaceImport(KERNEL_DLL, GET_PROC_ADDRESS, reinterpret_cast<void*>(&ReportingGetProcAddress));
    realGetProcAddress = reinterpret_cast<GetProcAddressFunction>(original);
    return original != nullptr;
}

}  // namespace bench
