// The scanner's walk over a folder tree, with an explicit stack instead of
// recursion and a bounded number of open folder descriptors.
#pragma once

#include "platform/DirectoryReader.h"

#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillora {

class CVolumeScanner;
class SFileInfo;

class CFolderWalk {
public:
    explicit CFolderWalk(CVolumeScanner& scanner) : m_scanner(scanner) {}
    ~CFolderWalk();
    CFolderWalk(const CFolderWalk&) = delete;
    CFolderWalk& operator=(const CFolderWalk&) = delete;

    // Walks the folder at the Linux path `osPath` into `folder`, which lies `level`
    // folders below its medium (0 for the medium itself).
    void Run(SFileInfo& folder, const std::string& osPath, int level);

private:
    struct SFrame {
        SFileInfo* m_folder = nullptr;
        int m_level = 0;
        // The folder stays open through its listing's reader while the walk is below
        // it; a folder reopened later is a plain descriptor. Both are closed while
        // the walk is far deeper, to save descriptors.
        std::unique_ptr<CDirectoryReader> m_reader;
        int m_fd = -1;
        std::string m_osName; // the name below the parent frame; a full path for the first
        std::vector<SDirEntry> m_entries;
        std::size_t m_next = 0;
    };

    void Push(SFileInfo& folder, int level, int fd, std::string osName);
    void Pop();
    void Visit(const SDirEntry& entry);
    void AddFile(SFileInfo& record, const SDirEntry& entry);
    // The descriptor of the innermost frame, reopened through its ancestors when it
    // was closed; -1 when it cannot be opened.
    int TopFd();
    // Whether the open folder lies on the file system the walk started on.
    bool OnSameVolume(int fd) const;
    static int FrameFd(const SFrame& frame);
    static void CloseFd(SFrame& frame);

    CVolumeScanner& m_scanner;
    std::vector<SFrame> m_frames;
    dev_t m_device = 0; // of the folder the walk started at
};

} // namespace quillora
