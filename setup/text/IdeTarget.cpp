#include "setup/text/IdeTarget.h"

namespace ComponentSetup {

std::string IdeKeyPath(IdeKind kind, int majorVersion) {
    const char* family = kind == IdeKind::Delphi ? "Delphi" : "C++Builder";
    return std::string("SOFTWARE\\Borland\\") + family + "\\" + std::to_string(majorVersion) +
           ".0";
}

}  // namespace ComponentSetup
