// The entry points of the unit that integrates the suite into one IDE per
// call (discovery, the registration and the help merge) and takes it out
// again. They keep no state between calls.
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

// Takes the suite out of the IDE the request names again (either edition's
// entries), removing only what IDEInstall puts in. Always returns 0, shows
// nothing, creates nothing; nothing escapes it. Lives in setup/Uninstall.cpp.
int IDEUninstall(const void* paramBlock) noexcept;

// The request text's address as the block holds it; null for a null block.
const char* RequestTextOf(const void* paramBlock) noexcept;

}  // namespace ComponentSetup
