// Conversion of accessible names (UTF-16) to a narrow code page, the form in
// which the locator compares them with the wanted name.
#pragma once

#include <windows.h>
#include <memory>
#include <stdexcept>

// A NUL-terminated narrow copy of an accessible name; null for a null name.
using AnsiName = std::unique_ptr<char[]>;

// Converts the NUL-terminated UTF-16 string `wide` (a BSTR or any other) to a
// newly allocated NUL-terminated string in `codePage`. The buffer is sized by
// asking WideCharToMultiByte for the length first, so a name of any length
// fits whatever the code page (UTF-8 needs up to three bytes per UTF-16 unit).
// A null `wide` gives a null result. Throws std::bad_alloc when memory runs out
// and std::runtime_error when the conversion fails.
inline AnsiName ToAnsiName(const wchar_t* wide, UINT codePage = CP_ACP)
{
    if (wide == nullptr) {
        return nullptr;
    }
    constexpr int WHOLE_STRING = -1;    // up to and including the NUL
    const int size = WideCharToMultiByte(codePage, 0, wide, WHOLE_STRING,
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        throw std::runtime_error("accessible name cannot be converted");
    }
    AnsiName narrow(new char[static_cast<size_t>(size)]);
    const int written = WideCharToMultiByte(codePage, 0, wide, WHOLE_STRING,
                                            narrow.get(), size, nullptr, nullptr);
    if (written != size) {
        throw std::runtime_error("accessible name cannot be converted");
    }
    return narrow;
}
