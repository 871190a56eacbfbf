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

std::string RuntimePackageName(bool dataAware, int majorVersion, bool trialEdition) {
    std::string name = trialEdition ? "Os30Trial" : "Os30";
    if (dataAware) name += "DB";
    return name + "Ctls" + std::to_string(majorVersion) + "0.bpi";
}

const char* StandardRuntimePackage(bool trialEdition) {
    return trialEdition ? "Os30TrialCtls" : "Os30Ctls";
}

const char* DataAwareRuntimePackage(bool trialEdition) {
    return trialEdition ? "Os30TrialDBCtls" : "Os30DBCtls";
}

}  // namespace ComponentSetup
