// The question the program asks when an operation needs a medium that is not in a
// drive; the desktop program shows it as a message box.
#pragma once

#include <string>

namespace quillora {

class IMediumPrompt {
public:
    virtual ~IMediumPrompt() = default;
    // Shows `text` with OK and Cancel (information icon). True for OK.
    virtual bool AskForMedium(const std::string& text) = 0;
};

} // namespace quillora
