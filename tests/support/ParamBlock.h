// The block a setup program hands to IDEInstall, as the tests and the
// benchmark build it: 40 bytes the library never touches, then the address of
// the request text. Declared here apart from the library's own declaration,
// so that a change there cannot go unnoticed by the tests.
#pragma once

#include <cstddef>

namespace KitTest {

struct ParamBlock {
    unsigned char reserved[40];
    const char* requestText;
};
static_assert(sizeof(void*) != 4 || sizeof(ParamBlock) == 44,
              "the request text's address follows 40 reserved bytes");
static_assert(offsetof(ParamBlock, requestText) == 40, "the request text's address is at 40");

}  // namespace KitTest
