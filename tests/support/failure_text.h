#pragma once

// Short ways for tests to look at a failure that may or may not be there.

#include <optional>
#include <string>
#include <vector>

#include "text/failure.h"

namespace pelora::testing {

// The failure's message, or "" when there is none.
inline std::string errorText(const std::optional<Failure>& failure) {
    return failure ? failure->message() : std::string();
}
template <typename T>
std::string errorText(const Result<T>& result) {
    return result.ok() ? std::string() : result.failure().message();
}

// The failure's message, or nothing when there is no failure.
inline std::optional<std::string> messageOf(const std::optional<Failure>& failure) {
    return failure ? std::optional<std::string>(failure->message()) : std::nullopt;
}

// The lines a load gave, or none when it failed.
inline std::vector<std::string> linesOf(const Result<std::vector<std::string>>& result) {
    return result.ok() ? result.value() : std::vector<std::string>();
}

}  // namespace pelora::testing
