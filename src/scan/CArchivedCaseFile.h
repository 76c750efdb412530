// The case stream of ".caz" files: the case kept as the one member "toblharc.cas" of
// an LHA archive, read and written through a plain temporary file of this process.
#pragma once

#include <memory>

#include "model/CAtomicFile.h"
#include "model/CPlainCaseFile.h"
#include "model/CaseStream.h"
#include "scan/PrivateWorkFolder.h"

#include <string>

namespace quillora {

class CArchiverSet;
class CLhaArchiver;

// The name of the case inside every ".caz" archive.
inline constexpr const char* kArchivedCaseMember = "toblharc.cas";

class CArchivedCaseFile : public ICaseStream {
public:
    // `lha` reads the archives; it must outlive the stream.
    explicit CArchivedCaseFile(CLhaArchiver& lha);
    // Reads with an adapter of its own, so that streams opened on several threads at
    // once do not share an archive's state.
    explicit CArchivedCaseFile(std::unique_ptr<CLhaArchiver> lha);
    // A stream still open is aborted: nothing is written, the old file stays.
    ~CArchivedCaseFile() override;
    CArchivedCaseFile(const CArchivedCaseFile&) = delete;
    CArchivedCaseFile& operator=(const CArchivedCaseFile&) = delete;

    // Reading (no write bits in flags): extracts the member (named "toblharc.cas" in any
    // letter case) into a folder of this process below `workFolder` and opens it;
    // throws CCaseFileException with message kind 1, never with the cause of a wrong
    // password, when the LHA reader is not loaded, the file is no LHA archive, or the
    // member is missing or cannot be extracted whole (a CRC or data error, no room).
    // Writing: opens the temporary file; throws CFileException when the LHA reader is
    // not loaded, the file cannot be made or the target may not be replaced (see
    // CAtomicFile).
    void Open(const std::string& path, unsigned flags, const std::string& workFolder);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    // Reading: removes the temporary file. Writing: packs the temporary file as the
    // member into a new archive beside the target, which replaces the old ".caz" only
    // once complete; throws CFileException when packing fails (the old file is then
    // untouched). The temporary file is removed either way.
    void Close() override;
    void Abort() override;
    CUniqueFd TakeWrittenFile() override { return m_target.TakeLockedFd(); }
    // The size of the case inside the archive (of the temporary file).
    std::uint64_t GetLength() override;
    // The ".caz" path.
    const std::string& GetFilePath() const override { return m_strArchivePath; }
    // Where the member is read from or written to; empty when not open.
    const std::string& TempPath() const { return m_strTempPath; }

private:
    void Discard();
    // The name the case member has in the archive at `path`; false, with the reason,
    // when the archive cannot be listed or holds none.
    bool FindMember(const std::string& path, std::string& member, std::string& reason);

    std::unique_ptr<CLhaArchiver> m_pOwnLha;
    CLhaArchiver& m_lha;
    CPlainCaseFile m_file;
    CPrivateWorkFolder m_folder;
    CAtomicFile m_target;
    std::string m_strArchivePath;
    std::string m_strTempPath;
    unsigned m_nFlags = 0;
    bool m_bWriting = false;
    bool m_bOpen = false;
};

// Lets the case-file opener make ".caz" streams, extracting into the temporary folder.
// Each stream reads with an LHA adapter of its own, so that case files may be opened
// on several threads at once (the case search's workers do); none opens while the
// set's LHA adapter is not loaded. The set must outlive every later case-file open.
void InstallArchivedCaseStreams(CArchiverSet& archivers);

} // namespace quillora
