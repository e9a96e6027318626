#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace pelora {

// Why something failed, the one shape every adapter reports a failure in: what failed, the
// reason in words, and the system's error number where there is one (0 otherwise).
struct Failure {
    std::string what;      // "The TCP server cannot listen on 127.0.0.1:10110"
    std::string reason;    // "Address already in use"
    int errorNumber = 0;   // errno, or 0 when the failure did not come from the system

    // One sentence for a message box or stderr: "what: reason." (or the one that is set),
    // ending in exactly one full stop.
    std::string message() const;
    // True when the system refused for lack of permission (EACCES or EPERM).
    bool permissionDenied() const;

    friend bool operator==(const Failure&, const Failure&) = default;
};

// Writes the message and the error number, for logs and test output.
std::ostream& operator<<(std::ostream& out, const Failure& failure);

// A failure with the system's words for `errorNumber` as its reason.
Failure systemFailure(std::string what, int errorNumber);

// A value, or the failure that stopped making it.
template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}              // NOLINT: implicit by design
    Result(Failure failure) : m_value(std::move(failure)) {}    // NOLINT: implicit by design

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Require ok().
    T& value() { return std::get<0>(m_value); }
    const T& value() const { return std::get<0>(m_value); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // Require !ok().
    const Failure& failure() const { return std::get<1>(m_value); }

private:
    std::variant<T, Failure> m_value;
};

}  // namespace pelora
