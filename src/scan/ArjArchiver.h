// ARJ adapter: members listed from the archive's headers, extracted by the `arj`
// program run as a child process; "not loaded" when the program is not installed.
#pragma once

#include "scan/Archiver.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillora {

class CArjArchiver : public CArchiver {
public:
    CArjArchiver();

    bool Extract(const std::string& archivePath, const std::string& destFolder,
                 const ArcEntryList& entries, bool withFolders) override;
    bool MatchesHead(const CArchiveHead& head) const override;
    // The program's version from its banner ("ARJ32 v 3.10" -> 3 << 24 | 10 << 16),
    // asked of the program the first time: every command loads the archivers, and few
    // want the version.
    std::uint32_t GetVersion() const override;

protected:
    // Looks for the program in `folder`, else along PATH.
    bool LoadModule(const std::string& name, const std::string& folder,
                    std::string& moduleFileName) override;
    void UnloadModule() override;
    // With `crc`, the chosen files are taken out into a private folder below the
    // temporary folder in as few runs of arj as their names allow, read for their
    // CRC-32 and removed.
    bool ListArchive(const std::string& path, std::vector<SArcListEntry>& out,
                     const CArcCrcChoice* crc) override;

private:
    struct SMember {
        std::string m_strRaw;  // name bytes as arj prints and matches them
        std::string m_strName; // UTF-8
        bool m_bFolder = false;
        SArcListEntry m_rec;
    };
    bool ListMembers(const std::string& path, std::vector<SMember>& members);
    // Takes the members out flat into fresh folders below `staging`, one run of arj for
    // each group of distinct file names, and hands each file that arrived to `take`.
    // A member whose file does not arrive whole, or that `take` refuses, makes the
    // result false (LastError names it); the others are still handed over.
    using Taker = std::function<bool(const SMember&, const std::string& producedPath)>;
    bool Unpack(const std::string& archivePath, const std::string& staging,
                const std::vector<const SMember*>& members, const Taker& take);

    std::string m_strProgram;
    mutable std::mutex m_versionLock;
    mutable std::optional<std::uint32_t> m_version;
};

} // namespace quillora
