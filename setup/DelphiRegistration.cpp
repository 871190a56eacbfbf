// NOT YET BUILT: the foundation only connects this step; it does nothing yet.
#include "setup/DelphiRegistration.h"

namespace ComponentSetup {

void RegisterDelphi(int, bool) noexcept {}

}  // namespace ComponentSetup
