// The entry point of the unit that integrates the suite into one IDE per call
// (discovery, the registration and the help merge). It keeps no state between
// calls.
#pragma once

namespace ComponentSetup {

// The caller's block: 40 bytes the library never touches, then the address of
// the request text. Nothing behind it is read.
struct SetupParamBlock {
    unsigned char Reserved[40];
    const char* RequestText;
};
static_assert(sizeof(void*) != 4 || sizeof(SetupParamBlock) == 44,
              "the request text's address follows 40 reserved bytes");

// Runs one request and always returns 0; nothing escapes it.
int IDEInstall(const void* paramBlock) noexcept;

}  // namespace ComponentSetup
