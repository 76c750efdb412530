// Scratch folders for tests.
#include "support/ScratchDir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>

namespace quillora::test {

ScratchDir::ScratchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillora-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) {
        throw std::runtime_error("cannot create a scratch folder");
    }
    m_path = made;
}

ScratchDir::~ScratchDir() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (info && info->result() && info->result()->Failed()) {
        std::cerr << "scratch folder kept: " << m_path << '\n';
        return;
    }
    std::error_code ec;
    // Restore permissions a test may have taken away so that removal works.
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path ScratchDir::Write(std::string_view relative, std::string_view bytes) const {
    std::filesystem::path target = m_path / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return target;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace quillora::test
