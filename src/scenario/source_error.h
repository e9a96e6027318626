#pragma once

#include <string>

namespace pelora {

// What is wrong with a file the user gave, and where: "harbour.toml:12: unknown key ...".
struct SourceError {
    std::string file;     // as the user named it
    int line = 0;         // 1-based; 0 when the error concerns the whole file
    std::string message;  // what is wrong, naming the value

    std::string text() const {
        return line > 0 ? file + ":" + std::to_string(line) + ": " + message : file + ": " + message;
    }
};

}  // namespace pelora
