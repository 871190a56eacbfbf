// A stand-in for KitSetup.dll with the same export, for kitsetup's own tests.
// It reads the request where the contract puts it and answers in ways a test
// can see: boxes that name the request, no box, a result other than 0, or a
// crash.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "tests/support/ParamBlock.h"

extern "C" int __stdcall IDEInstall(void* paramBlock) {
    const char* request = nullptr;
    std::memcpy(&request,
                static_cast<const unsigned char*>(paramBlock) +
                    offsetof(KitTest::ParamBlock, requestText),
                sizeof request);
    if (!request) return 99;
    switch (request[0]) {
    case '!':  // misbehaves: a result other than 0, no box
        return 5;
    case '*':  // crashes
        RaiseException(0xE0001234, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        return 0;
    case '_':  // nothing to tell the user
        return 0;
    case '2':  // two boxes, one after the other
        MessageBoxA(nullptr, "first", "Probe box 1 of 2", MB_OK | MB_ICONINFORMATION);
        MessageBoxA(nullptr, "second", "Probe box 2 of 2", MB_OK | MB_ICONINFORMATION);
        return 0;
    default: {
        char text[256];
        std::snprintf(text, sizeof text, "Request %s\rsecond line", request);
        MessageBoxA(nullptr, text, "Probe box", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    }
}
