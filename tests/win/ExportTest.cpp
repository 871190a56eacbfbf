// What a setup program and a clean Windows see of the built KitSetup.dll.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "tests/support/KitSetupDll.h"

namespace {

using KitTest::KitSetupDll;

template <typename T>
const T* At(HMODULE module, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(module) + rva);
}

const IMAGE_NT_HEADERS* Headers(HMODULE module) {
    return At<IMAGE_NT_HEADERS>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(Export, ExactlyIdeInstallAtOrdinalOneAndIdeUninstallAtOrdinalTwoUndecorated) {
    KitSetupDll dll;
    const auto& dir = Headers(dll.Module())->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(dll.Module(), dir.VirtualAddress);
    ASSERT_EQ(exports->NumberOfNames, 2u);
    ASSERT_EQ(exports->NumberOfFunctions, 2u);
    // Names are sorted in the table: IDEInstall before IDEUninstall.
    const char* expectedNames[] = {"IDEInstall", "IDEUninstall"};
    const DWORD expectedOrdinals[] = {1, 2};
    for (DWORD i = 0; i < 2; ++i) {
        const DWORD nameRva = At<DWORD>(dll.Module(), exports->AddressOfNames)[i];
        EXPECT_STREQ(At<char>(dll.Module(), nameRva), expectedNames[i]);
        const WORD index = At<WORD>(dll.Module(), exports->AddressOfNameOrdinals)[i];
        EXPECT_EQ(exports->Base + index, expectedOrdinals[i]);
    }

    const FARPROC byOrdinal = GetProcAddress(dll.Module(), MAKEINTRESOURCEA(1));
    ASSERT_NE(byOrdinal, nullptr);
    EXPECT_EQ(byOrdinal, dll.Export());
    EXPECT_EQ(GetProcAddress(dll.Module(), "IDEInstall@4"), nullptr);
    EXPECT_EQ(GetProcAddress(dll.Module(), "_IDEInstall@4"), nullptr);

    const FARPROC uninstallByOrdinal = GetProcAddress(dll.Module(), MAKEINTRESOURCEA(2));
    ASSERT_NE(uninstallByOrdinal, nullptr);
    EXPECT_EQ(uninstallByOrdinal, dll.UninstallExport());
    EXPECT_NE(uninstallByOrdinal, byOrdinal);
    EXPECT_EQ(GetProcAddress(dll.Module(), MAKEINTRESOURCEA(3)), nullptr);
    EXPECT_EQ(GetProcAddress(dll.Module(), "IDEUninstall@4"), nullptr);
    EXPECT_EQ(GetProcAddress(dll.Module(), "_IDEUninstall@4"), nullptr);
}

TEST(Export, ImportsOnlySystemLibraries) {
    KitSetupDll dll;
    const std::set<std::string> allowed = {"kernel32.dll", "advapi32.dll", "user32.dll",
                                           "msvcrt.dll"};
    const auto& dir = Headers(dll.Module())->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    std::set<std::string> imported;
    for (const auto* desc = At<IMAGE_IMPORT_DESCRIPTOR>(dll.Module(), dir.VirtualAddress);
         desc->Name; ++desc) {
        imported.insert(Lower(At<char>(dll.Module(), desc->Name)));
    }
    for (const std::string& name : imported) {
        EXPECT_TRUE(allowed.count(name)) << "unexpected import of " << name;
    }
    EXPECT_TRUE(imported.count("advapi32.dll"));
    EXPECT_TRUE(imported.count("user32.dll"));
}

TEST(Export, IsA32BitDll) {
    KitSetupDll dll;
    const IMAGE_NT_HEADERS* nt = Headers(dll.Module());
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
}

TEST(Export, CarriesTheSuiteVersionResource) {
    const std::string path = KitTest::KitSetupDllPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00030000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    char* product = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, "Ostrel Components");
    char* version = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\FileVersion",
                               reinterpret_cast<void**>(&version), &length));
    EXPECT_STREQ(version, "3.0.3.0");
}

TEST(Export, CalleePopsItsArgumentAndReturnsZero) {
    KitSetupDll dll;
    const auto outcome = dll.Call("D7");
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.stackDelta, 0);
    const auto uninstalled = dll.CallUninstall("D7");
    EXPECT_EQ(uninstalled.result, 0);
    EXPECT_EQ(uninstalled.stackDelta, 0);
}

}  // namespace
