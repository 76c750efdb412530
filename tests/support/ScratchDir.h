// A unique scratch folder for one test, removed afterwards unless the test failed
// (then its path is printed so the files can be looked at).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillora::test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

    // Writes a file below the folder (creating parent folders) and returns its path.
    std::filesystem::path Write(std::string_view relative, std::string_view bytes) const;

private:
    std::filesystem::path m_path;
};

// Reads a whole file; an empty string when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

} // namespace quillora::test
