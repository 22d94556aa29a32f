// The application manifest, read back from the built executables: what
// Windows reads when it starts them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "kit/process_support.h"

namespace {

constexpr WORD MANIFEST_ID = 1;        // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr WORD MANIFEST_TYPE = 24;     // RT_MANIFEST

const char* const REQUIRED_FRAGMENTS[] = {
    "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
    "PerMonitorV2, PerMonitor</dpiAwareness>",
    "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
    "<requestedExecutionLevel level=\"asInvoker\"",
    "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
};

// The text of `executable`'s manifest, or "" when it has none.
std::string ManifestOf(const std::string& executable)
{
    const HMODULE module = LoadLibraryExA(executable.c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return "";
    std::string text;
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(MANIFEST_ID), MAKEINTRESOURCEA(MANIFEST_TYPE));
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes != nullptr) text.assign(static_cast<const char*>(bytes), SizeofResource(module, resource));
    FreeLibrary(module);
    return text;
}

}  // namespace

// Per-monitor awareness (V2 where Windows 10 1703 and later read it, the
// older true/pm elsewhere) makes every coordinate a physical pixel, as the
// desktop's accessible items report theirs; asInvoker keeps an installer's
// elevation from being asked for; supportedOS names Windows 10 and 11.
TEST(Manifest, TheProgramAndTheProbeArePerMonitorDpiAwareRunAsInvokedAndNameWindows10And11)
{
    for (const std::string& executable : {processes::ProgramPath(), processes::ProbePath()}) {
        SCOPED_TRACE(executable);
        const std::string manifest = ManifestOf(executable);
        ASSERT_FALSE(manifest.empty()) << "no manifest";
        for (const char* fragment : REQUIRED_FRAGMENTS) {
            EXPECT_NE(std::string::npos, manifest.find(fragment)) << fragment << " in:\n" << manifest;
        }
        EXPECT_EQ(0u, manifest.find("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    }
}
