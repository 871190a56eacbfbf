// A thousand requests in one process, as a setup program that integrates the
// suite again and again might make: after a warm-up, the process's handles
// and memory stay where they were.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "tests/support/ImportPatch.h"
#include "tests/support/ParamBlock.h"
#include "tests/support/SetupMachine.h"

namespace {

using namespace KitTest;

// Handles the process holds: each slot of the handle table is asked in turn
// (not every platform counts them for GetProcessHandleCount).
int OpenHandleCount() {
    int count = 0;
    for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

// What KitSetup.dll holds from the C runtime's heap: its imports of malloc,
// calloc, realloc and free are pointed at these counters for the test.
struct Allocations {
    std::unordered_map<std::uintptr_t, std::size_t> live;
    std::size_t made = 0;  // every block handed out, freed or not
    std::size_t Bytes() const {
        std::size_t bytes = 0;
        for (const auto& block : live) bytes += block.second;
        return bytes;
    }
};
Allocations gAllocations;

std::uintptr_t Key(const void* block) { return reinterpret_cast<std::uintptr_t>(block); }

void* __cdecl CountedMalloc(std::size_t size) {
    void* block = std::malloc(size);
    if (block) gAllocations.live[Key(block)] = size;
    if (block) ++gAllocations.made;
    return block;
}
void* __cdecl CountedCalloc(std::size_t count, std::size_t size) {
    void* block = std::calloc(count, size);
    if (block) gAllocations.live[Key(block)] = count * size;
    if (block) ++gAllocations.made;
    return block;
}
void* __cdecl CountedRealloc(void* old, std::size_t size) {
    // Taken before the call: the old address means nothing afterwards.
    const volatile std::uintptr_t oldKey = Key(old);
    void* block = std::realloc(old, size);
    if (block || size == 0) gAllocations.live.erase(static_cast<std::uintptr_t>(oldKey));
    if (block) gAllocations.live[Key(block)] = size;
    if (block) ++gAllocations.made;
    return block;
}
void __cdecl CountedFree(void* block) {
    gAllocations.live.erase(Key(block));
    std::free(block);
}

struct Usage {
    int handles = 0;
    std::size_t blocks = 0;  // held by KitSetup.dll
    std::size_t made = 0;    // handed out to KitSetup.dll so far
    std::size_t bytes = 0;
    std::size_t pagefileBytes = 0;
};

Usage MeasureUsage() {
    Usage usage;
    usage.handles = OpenHandleCount();
    usage.blocks = gAllocations.live.size();
    usage.bytes = gAllocations.Bytes();
    usage.made = gAllocations.made;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        usage.pagefileBytes = counters.PagefileUsage;
    }
    return usage;
}

// The information box, acknowledged at once: KitSetup.dll's import of
// MessageBoxA is pointed here for the duration of the test.
int gBoxes = 0;
int WINAPI AcknowledgeBox(HWND, LPCSTR, LPCSTR, UINT) {
    ++gBoxes;
    return IDOK;
}

class Leak : public SetupMachine {
protected:
    // One request as the setup program makes it; the box is acknowledged.
    void Request(const char* text) {
        ParamBlock block{};
        block.requestText = text;
        int stackDelta = 0;
        const int boxesBefore = gBoxes;
        ASSERT_EQ(CallStdcall1(dll_.Export(), &block, &stackDelta), 0);
        ASSERT_EQ(stackDelta, 0);
        ASSERT_EQ(gBoxes, boxesBefore + 1) << "the help merge failed";
    }
};

TEST_F(Leak, AThousandRequestsKeepHandlesAndMemoryWhereTheyWere) {
    InstallAll();
    const HMODULE dll = dll_.Module();
    ImportPatch box(dll, "user32.dll", "MessageBoxA", reinterpret_cast<const void*>(&AcknowledgeBox));
    ImportPatch malloc(dll, "msvcrt.dll", "malloc", reinterpret_cast<const void*>(&CountedMalloc));
    ImportPatch calloc(dll, "msvcrt.dll", "calloc", reinterpret_cast<const void*>(&CountedCalloc));
    ImportPatch realloc(dll, "msvcrt.dll", "realloc",
                        reinterpret_cast<const void*>(&CountedRealloc));
    ImportPatch free(dll, "msvcrt.dll", "free", reinterpret_cast<const void*>(&CountedFree));
    ASSERT_TRUE(box.Applied() && malloc.Applied() && free.Applied());

    // The first calls fill what the platform keeps for good (the profile
    // cache, the registry's handles to its root keys).
    for (int i = 0; i < 25; ++i) {
        Request("D7");
        if (HasFatalFailure()) return;
    }
    const Usage before = MeasureUsage();
    for (int i = 0; i < 1000; ++i) {
        Request("D7");
        if (HasFatalFailure()) return;
    }
    const Usage after = MeasureUsage();

    std::printf("handles %d -> %d; blocks held by the library %zu -> %zu (%zu -> %zu bytes); "
                "pagefile bytes %zu -> %zu\n",
                before.handles, after.handles, before.blocks, after.blocks, before.bytes,
                after.bytes, before.pagefileBytes, after.pagefileBytes);
    ASSERT_GT(before.handles, 0);
    // The library keeps nothing between calls, but allocates during each.
    ASSERT_GT(after.made, before.made) << "the library's allocations were not seen";
    // One handle or one block lost per call would show a thousand times over.
    EXPECT_LE(after.handles, before.handles + 2);
    EXPECT_LE(after.blocks, before.blocks + 2);
    EXPECT_LE(after.bytes, before.bytes + 1024);
    EXPECT_LE(after.pagefileBytes, before.pagefileBytes + 1024 * 1024);
}

}  // namespace
