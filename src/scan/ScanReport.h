// What a scan could not read. Each such item is data, not a failure: the scan goes
// on past it, counts it, and says at its end how many there were. Only a root that
// cannot be read fails the scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

enum class SkipKind : std::uint8_t {
    UnreadableFolder, // could not be opened or listed (to its end)
    UnreadableFile,   // its facts, or its contents for a CRC, could not be read
    TooDeep,          // a folder below the deepest level a case file holds, not entered
    OtherFileSystem,  // a mount point: another file system, not entered
};

struct SSkippedItem {
    SkipKind m_kind = SkipKind::UnreadableFolder;
    SFileInfo* m_record = nullptr; // in the scanned tree
    int m_error = 0;               // errno, 0 where none applies
};

class CScanReport {
public:
    void Clear();

    // The scan's own folder could not be read (errno): the scan failed.
    void SetRootError(int error) { m_rootError = error; }
    // The scan's own folder lies on a pseudo file system of this type ("proc"),
    // which is not scanned unless asked: the scan failed.
    void SetRootPseudoType(std::string type) { m_rootPseudoType = std::move(type); }
    int RootError() const { return m_rootError; }
    const std::string& RootPseudoType() const { return m_rootPseudoType; }
    bool RootFailed() const { return m_rootError != 0 || !m_rootPseudoType.empty(); }

    // Counts an item; writes it to the trace log when logging is on.
    void Add(SkipKind kind, SFileInfo& record, int error);

    // Files whose contents the scan read (for a CRC, a comment, or to see whether
    // they are archives and list them), and files a re-scan found unchanged and took
    // from the case's copy of the medium without reading them.
    void CountRead() { ++m_filesRead; }
    void CountKept() { ++m_filesKept; }
    std::size_t FilesRead() const { return m_filesRead; }
    std::size_t FilesKept() const { return m_filesKept; }

    std::size_t Count(SkipKind kind) const { return m_counts[static_cast<std::size_t>(kind)]; }
    // Nothing skipped and the root was read.
    bool Complete() const { return !RootFailed() && m_items.empty(); }
    const std::vector<SSkippedItem>& Items() const { return m_items; }

    // Folders whose contents the scan did not read completely, for whatever reason:
    // a re-scan keeps what an older copy of the medium has below them.
    std::vector<SFileInfo*> FoldersNotRead() const;

    // "2 folders could not be read, 1 mounted file system not entered"; empty when
    // nothing was skipped. English, for the command line and the trace log.
    std::string Summary() const;

    // "cannot read folder", "cannot read file", "too deep to enter", "mounted file
    // system not entered".
    static const char* KindText(SkipKind kind);

private:
    int m_rootError = 0;
    std::string m_rootPseudoType;
    std::size_t m_counts[4] = {0, 0, 0, 0};
    std::size_t m_filesRead = 0;
    std::size_t m_filesKept = 0;
    std::vector<SSkippedItem> m_items;
};

} // namespace quillora
