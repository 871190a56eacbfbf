// The access the library asks for when it opens a registry key: machine-wide
// keys (HKEY_LOCAL_MACHINE) only for reading, so that an account that may
// read but not write them (a standard user, or a helper run as the original
// user by an installer elevated with other credentials) gets the same run.
// Every open and creation the loaded KitSetup.dll makes is recorded through
// its import table.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;
using KitPlatform::UniqueHkey;

struct KeyOpen {
    bool machine;  // below HKEY_LOCAL_MACHINE
    REGSAM access;
    std::string path;
};

std::vector<KeyOpen> gOpens;
std::set<HKEY> gMachineKeys;

using RegOpenKeyExAFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using RegCreateKeyExAFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM,
                                        const SECURITY_ATTRIBUTES*, PHKEY, LPDWORD);
RegOpenKeyExAFn gRealOpen = nullptr;
RegCreateKeyExAFn gRealCreate = nullptr;

bool IsMachineKey(HKEY key) { return key == HKEY_LOCAL_MACHINE || gMachineKeys.count(key) != 0; }

void Record(HKEY parent, LPCSTR path, REGSAM access, LONG status, PHKEY result) {
    const bool machine = IsMachineKey(parent);
    gOpens.push_back({machine, access, path ? path : ""});
    if (status == ERROR_SUCCESS && result) {
        if (machine) {
            gMachineKeys.insert(*result);
        } else {
            gMachineKeys.erase(*result);  // a handle value reused for another key
        }
    }
}

LONG WINAPI RecordingOpen(HKEY parent, LPCSTR path, DWORD options, REGSAM access, PHKEY result) {
    const LONG status = gRealOpen(parent, path, options, access, result);
    Record(parent, path, access, status, result);
    return status;
}

LONG WINAPI RecordingCreate(HKEY parent, LPCSTR path, DWORD reserved, LPSTR keyClass,
                            DWORD options, REGSAM access, const SECURITY_ATTRIBUTES* security,
                            PHKEY result, LPDWORD disposition) {
    const LONG status = gRealCreate(parent, path, reserved, keyClass, options, access, security,
                                    result, disposition);
    Record(parent, path, access, status, result);
    return status;
}

bool AsksOnlyToRead(REGSAM access) { return (access & ~static_cast<REGSAM>(KEY_READ)) == 0; }

// Gives a machine key a DACL that lets everyone read it and change its DACL,
// nothing else; the key's own DACL comes back at the end of the scope.
class ReadOnlyMachineKey {
public:
    explicit ReadOnlyMachineKey(const std::string& path) : path_(path) {
        UniqueHkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | WRITE_DAC,
                          key.put()) != ERROR_SUCCESS) {
            return;
        }
        DWORD size = 0;
        RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        original_.resize(size);
        if (size == 0 || RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original_.data(),
                                           &size) != ERROR_SUCCESS) {
            original_.clear();
        }
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRWD;;;WD)", SDDL_REVISION_1,
                                                                 &readOnly, nullptr)) {
            applied_ = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, readOnly) ==
                       ERROR_SUCCESS;
            LocalFree(readOnly);
        }
    }
    ~ReadOnlyMachineKey() {
        if (!applied_ || original_.empty()) return;
        UniqueHkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, WRITE_DAC, key.put()) ==
            ERROR_SUCCESS) {
            RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original_.data());
        }
    }
    ReadOnlyMachineKey(const ReadOnlyMachineKey&) = delete;
    ReadOnlyMachineKey& operator=(const ReadOnlyMachineKey&) = delete;

    bool Applied() const { return applied_ && !original_.empty(); }
    // What the key's DACL now does: reading allowed, writing refused.
    bool RefusesWriting() const {
        UniqueHkey writable;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_ALL_ACCESS,
                          writable.put()) != ERROR_ACCESS_DENIED) {
            return false;
        }
        UniqueHkey readable;
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ, readable.put()) ==
               ERROR_SUCCESS;
    }

private:
    std::string path_;
    std::vector<BYTE> original_;
    bool applied_ = false;
};

class MachineKeyAccess : public SetupMachine {
protected:
    void SetUp() override {
        SetupMachine::SetUp();
        gOpens.clear();
        gMachineKeys.clear();
    }
};

TEST_F(MachineKeyAccess, EveryMachineKeyIsOpenedForReadingOnly) {
    InstallAll();
    ImportPatch open(dll_.Module(), "advapi32.dll", "RegOpenKeyExA",
                    reinterpret_cast<const void*>(&RecordingOpen));
    ImportPatch create(dll_.Module(), "advapi32.dll", "RegCreateKeyExA",
                      reinterpret_cast<const void*>(&RecordingCreate));
    ASSERT_TRUE(open.Applied() && create.Applied());
    gRealOpen = reinterpret_cast<RegOpenKeyExAFn>(open.Original());
    gRealCreate = reinterpret_cast<RegCreateKeyExAFn>(create.Original());

    for (const char* request : {"D7T", "C6T", "D7", "C6"}) {
        SCOPED_TRACE(request);
        gOpens.clear();
        const CallOutcome outcome = dll_.Call(request);
        ASSERT_EQ(outcome.result, 0);

        int machineOpens = 0;
        int userOpens = 0;
        for (const KeyOpen& opened : gOpens) {
            if (!opened.machine) {
                ++userOpens;
                continue;
            }
            ++machineOpens;
            EXPECT_TRUE(AsksOnlyToRead(opened.access))
                << opened.path << " asked for access 0x" << std::hex << opened.access;
        }
        // The suite's key, the IDE's key, each earlier version's key; and the
        // per-user key with its sections, which keep the access they need.
        EXPECT_GE(machineOpens, 3 + 7);
        EXPECT_GT(userOpens, 0);
    }
    ExpectDelphi7Registered();
    ExpectCppBuilder6Registered();
}

TEST_F(MachineKeyAccess, MachineKeysThatRefuseWritingStillGiveAWholeRun) {
    InstallAll();
    const std::vector<std::string> machineKeys = {
        kProductKey, "SOFTWARE\\Ostrel\\Ostrel Components\\2.52", kDelphiKey, kCppBuilderKey};
    std::vector<std::unique_ptr<ReadOnlyMachineKey>> locks;
    for (const std::string& path : machineKeys) {
        locks.push_back(std::make_unique<ReadOnlyMachineKey>(path));
        ASSERT_TRUE(locks.back()->Applied()) << path;
        ASSERT_TRUE(locks.back()->RefusesWriting()) << path;
    }
    const MachineState before = Capture();

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");

    ExpectDelphi7Registered();
    ExpectCppBuilder6Registered();
    ExpectMachineKeysUnchanged(before);
}

}  // namespace
