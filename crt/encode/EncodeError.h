#pragma once
// The one error the encoder raises: a message meant for the user.
#include <stdexcept>
#include <string>

namespace crt {

class EncodeError : public std::runtime_error {
public:
    explicit EncodeError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace crt
