// Some work cannot be redirected to scratch keys: a child process (kitsetup.exe
// started by a test, the benchmark's measuring processes) sees the real
// registry roots. Such work runs only inside the Wine prefix that a KitSetup
// build made for its tests: under Wine (ntdll exports wine_get_version) and
// with the marker file that tools/wine-prefix.sh writes into that prefix.
// Anywhere else, a developer's Windows machine or a Wine prefix holding real
// IDEs, it is refused.
#pragma once

#include <windows.h>

#include <string>

namespace KitTest {

// Written by tools/wine-prefix.sh create, at drive_c/kitsetup-build-prefix.txt.
inline constexpr const char* kBuildPrefixMarker = "C:\\kitsetup-build-prefix.txt";

// Whether ntdll (or the module given in its place) is Wine's.
bool IsWineNtdll(HMODULE ntdll);

// Empty when this process runs in the build's prefix; otherwise why not.
std::string OutsideBuildPrefixReason(HMODULE ntdll, const std::string& markerPath);
std::string OutsideBuildPrefixReason();

}  // namespace KitTest
