// ARJ adapter: the `arj` program run as a child process; "not loaded" when it is not
// installed.
#pragma once

#include "scan/Archiver.h"

#include <string>
#include <vector>

namespace quillora {

class CArjArchiver : public CArchiver {
public:
    CArjArchiver();

    bool Extract(const std::string& archivePath, const std::string& destFolder,
                 const ArcEntryList& entries, bool withFolders) override;
    // The program's version from its banner ("ARJ32 v 3.10" -> 3 << 24 | 10 << 16).
    std::uint32_t GetVersion() const override;

protected:
    // Looks for the program in `folder`, else along PATH.
    bool LoadModule(const std::string& name, const std::string& folder,
                    std::string& moduleFileName) override;
    void UnloadModule() override;
    bool ListArchive(const std::string& path, std::vector<SArcListEntry>& out) override;

private:
    struct SMember {
        std::string m_strRaw;  // name bytes as arj prints and matches them
        std::string m_strName; // UTF-8
        bool m_bFolder = false;
        SArcListEntry m_rec;
    };
    bool ListMembers(const std::string& path, std::vector<SMember>& members);

    std::string m_strProgram;
    std::uint32_t m_nVersion = 0;
};

// Parses the verbose listing `arj v` prints into members: name, sizes, attributes,
// and the DOS date-time as printed. False when the listing has no entry section.
struct SArjListed {
    std::string m_strRawName;
    std::uint64_t m_nOriginal = 0;
    std::uint64_t m_nCompressed = 0;
    std::uint32_t m_dwDosDateTime = 0;
    std::string m_strAttributes;
};
bool ParseArjListing(std::string_view text, std::vector<SArjListed>& out);

} // namespace quillora
