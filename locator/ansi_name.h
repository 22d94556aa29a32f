// Conversion of accessible names (UTF-16) to a narrow code page, the form in
// which the locator compares them with the wanted name.
#pragma once

#include <windows.h>
#include <memory>
#include <stdexcept>

// A NUL-terminated narrow copy of an accessible name; null for a null name.
using AnsiName = std::unique_ptr<char[]>;

// The conversion flags for `codePage`. Best-fit mapping would turn look-alike
// characters into the wanted name (in code page 1252 the name spelt in
// full-width Latin letters, U+FF41 onwards, becomes plain "marrowtune"), so a
// character the code page lacks becomes its default character instead.
// UTF-8 and UTF-7 hold every character and accept no such flag.
inline DWORD AnsiNameFlags(UINT codePage)
{
    const UINT effective = codePage == CP_ACP ? GetACP() : codePage;
    return effective == CP_UTF8 || effective == CP_UTF7 ? 0 : WC_NO_BEST_FIT_CHARS;
}

// Converts the NUL-terminated UTF-16 string `wide` (a BSTR or any other) to a
// newly allocated NUL-terminated string in `codePage`, without best-fit
// mapping. The buffer is sized by asking WideCharToMultiByte for the length
// first, so a name of any length fits whatever the code page (UTF-8 needs up
// to three bytes per UTF-16 unit). A null `wide` gives a null result. Throws
// std::bad_alloc when memory runs out and std::runtime_error when the
// conversion fails.
inline AnsiName ToAnsiName(const wchar_t* wide, UINT codePage = CP_ACP)
{
    if (wide == nullptr) {
        return nullptr;
    }
    constexpr int WHOLE_STRING = -1;    // up to and including the NUL
    const DWORD flags = AnsiNameFlags(codePage);
    const int size = WideCharToMultiByte(codePage, flags, wide, WHOLE_STRING,
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        throw std::runtime_error("accessible name cannot be converted");
    }
    AnsiName narrow(new char[static_cast<size_t>(size)]);
    const int written = WideCharToMultiByte(codePage, flags, wide, WHOLE_STRING,
                                            narrow.get(), size, nullptr, nullptr);
    if (written != size) {
        throw std::runtime_error("accessible name cannot be converted");
    }
    return narrow;
}
