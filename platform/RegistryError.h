#pragma once

#include <stdexcept>
#include <string>

namespace KitPlatform {

// Raised by the registry accessors; the message names the key or value.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace KitPlatform
