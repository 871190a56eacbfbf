// NOT YET BUILT: the foundation only connects this step; it does nothing yet.
#include "setup/CppBuilderRegistration.h"

namespace ComponentSetup {

void RegisterCppBuilder(int, bool) noexcept {}

}  // namespace ComponentSetup
