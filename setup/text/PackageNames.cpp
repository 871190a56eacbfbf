#include "setup/text/PackageNames.h"

namespace ComponentSetup {

std::string PackageBaseName(PackageRole role, bool dataAware, bool trialEdition) {
    std::string name = trialEdition ? "Os30Trial" : "Os30";
    if (dataAware) name += "DB";
    name += role == PackageRole::DesignTime ? "Ctls_Dsgn" : "Ctls";
    return name;
}

std::string DesignPackageFileName(bool dataAware, int majorVersion, bool trialEdition) {
    return PackageBaseName(PackageRole::DesignTime, dataAware, trialEdition) +
           std::to_string(majorVersion) + "0.bpl";
}

const char* PackageDescription(bool dataAware, bool trialEdition) noexcept {
    if (dataAware) {
        return trialEdition ? "Ostrel Components 3.0.3 (Data-Aware) - Trial Edition"
                            : "Ostrel Components 3.0.3 (Data-Aware)";
    }
    return trialEdition ? "Ostrel Components 3.0.3 - Trial Edition" : "Ostrel Components 3.0.3";
}

}  // namespace ComponentSetup
