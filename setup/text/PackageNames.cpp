#include "setup/text/PackageNames.h"

namespace ComponentSetup {

std::string PackageFileName(bool designTime, bool dataAware, int majorVersion,
                            bool trialEdition) {
    std::string name = trialEdition ? "Os30Trial" : "Os30";
    if (dataAware) name += "DB";
    name += designTime ? "Ctls_Dsgn" : "Ctls";
    name += std::to_string(majorVersion) + "0.bpl";
    return name;
}

const char* PackageDescription(bool dataAware, bool trialEdition) noexcept {
    if (dataAware) {
        return trialEdition ? "Ostrel Components 3.0.3 (Data-Aware) - Trial Edition"
                            : "Ostrel Components 3.0.3 (Data-Aware)";
    }
    return trialEdition ? "Ostrel Components 3.0.3 - Trial Edition" : "Ostrel Components 3.0.3";
}

}  // namespace ComponentSetup
