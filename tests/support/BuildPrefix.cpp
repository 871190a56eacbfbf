#include "tests/support/BuildPrefix.h"

namespace KitTest {

bool IsWineNtdll(HMODULE ntdll) {
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string OutsideBuildPrefixReason(HMODULE ntdll, const std::string& markerPath) {
    if (!IsWineNtdll(ntdll)) {
        return "this is not Wine: the IDE keys of this machine are real";
    }
    const DWORD attributes = GetFileAttributesA(markerPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "this Wine prefix has no " + markerPath +
               ": it was not made by a KitSetup build (tools/wine-prefix.sh create)";
    }
    return {};
}

std::string OutsideBuildPrefixReason() {
    return OutsideBuildPrefixReason(GetModuleHandleA("ntdll.dll"), kBuildPrefixMarker);
}

}  // namespace KitTest
