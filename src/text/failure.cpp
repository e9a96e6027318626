#include "text/failure.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace pelora {

namespace {

std::string withFullStop(std::string text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) {
        text.pop_back();
    }
    return text + ".";
}

}  // namespace

std::string Failure::message() const {
    if (what.empty()) return withFullStop(reason);
    if (reason.empty()) return withFullStop(what);
    return withFullStop(what + ": " + reason);
}

bool Failure::permissionDenied() const {
    return errorNumber == EACCES || errorNumber == EPERM;
}

std::ostream& operator<<(std::ostream& out, const Failure& failure) {
    return out << failure.message() << " (error " << failure.errorNumber << ")";
}

Failure systemFailure(std::string what, int errorNumber) {
    // strerror's words are the ones Qt and the shell show for the same error.
    return Failure{std::move(what), std::strerror(errorNumber), errorNumber};
}

}  // namespace pelora
