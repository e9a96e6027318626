#pragma once

#include <string>

namespace pelora {

// The operator's answer to a Yes / No / Cancel question; Cancel also when the box is dismissed.
enum class DialogAnswer { Yes, No, Cancel };

// The two modal message boxes of the configuration store.
class ConfigDialogs {
public:
    virtual ~ConfigDialogs() = default;

    // Asks with the buttons Yes, No and Cancel and waits for the answer.
    virtual DialogAnswer askYesNoCancel(const std::string& text, const std::string& title) = 0;

    // Shows a message with an OK button only and waits until it is closed.
    virtual void showMessage(const std::string& text, const std::string& title) = 0;
};

}  // namespace pelora
