// NOT YET BUILT: the foundation only connects this step; it does nothing yet.
#include "setup/HelpMerge.h"

namespace ComponentSetup {

bool MergeIdeHelp(IdeKind, int) noexcept {
    return false;
}

}  // namespace ComponentSetup
