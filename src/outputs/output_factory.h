#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "run/output.h"

namespace pelora {

// One kind of output: its scheme, the form a user types and what it is, and how it is made.
struct OutputKind {
    std::string_view scheme;   // "tcp"
    std::string_view form;     // "tcp://ADDRESS:PORT"
    std::string_view meaning;  // "a TCP server on this computer"
    // The output for an endpoint of this scheme, or why the endpoint does not name one.
    Result<std::unique_ptr<Output>> (*make)(const Endpoint& endpoint);
};

// Every kind of output, in the order the help lists them.
std::span<const OutputKind> outputKinds();

// Makes outputs of every kind from their endpoints.
class OutputFactory final : public OutputMaker {
public:
    Result<std::unique_ptr<Output>> make(const Endpoint& endpoint) override;
};

}  // namespace pelora
