// Ejecting the medium of a drive.
#pragma once

#include <string>

namespace quillora {

class CEject {
public:
    // Unmounts and ejects the medium mounted at a mount point (or the given block
    // device) by running the system's `eject` program with an argument vector.
    // True when it succeeded; otherwise false and, when `error` is given, the
    // program's own message or why it could not run.
    static bool EjectDrive(const std::string& mountPointOrDevice, std::string* error = nullptr);

    // The program run by EjectDrive; a test may point it elsewhere.
    static void SetProgram(const std::string& program);
};

} // namespace quillora
