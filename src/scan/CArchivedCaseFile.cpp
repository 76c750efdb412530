// ".caz" case files: extraction of the member on open, packing with our LHA writer
// on close, each through a temporary file in a folder of this process's own.
#include "scan/CArchivedCaseFile.h"

#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "scan/ArchivePath.h"
#include "scan/ArchiverSet.h"
#include "scan/LhaWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr const char* kNoArchiver = "no LHA archiver to unpack .caz files";

// Why a ".caz" did not unpack, for the message that names it: a file that cannot be
// read at all says so; otherwise the archiver's reason, without the path it repeats.
std::string UnpackFailure(const std::string& path, std::string archiverError) {
    if (::access(path.c_str(), R_OK) != 0) {
        return std::strerror(errno);
    }
    if (archiverError.rfind(path + ": ", 0) == 0) {
        archiverError.erase(0, path.size() + 2);
    }
    return "not a .caz file that unpacks" +
           (archiverError.empty() ? std::string() : " (" + archiverError + ")");
}

} // namespace

CArchivedCaseFile::CArchivedCaseFile(CLhaArchiver& lha) : m_lha(lha) {}

CArchivedCaseFile::CArchivedCaseFile(std::unique_ptr<CLhaArchiver> lha)
    : m_pOwnLha(std::move(lha)), m_lha(*m_pOwnLha) {}

CArchivedCaseFile::~CArchivedCaseFile() {
    if (m_bOpen) {
        Abort();
    }
}

void CArchivedCaseFile::Open(const std::string& path, unsigned flags,
                             const std::string& workFolder) {
    m_strArchivePath.clear();
    m_strTempPath.clear();
    m_nFlags = flags;
    m_bWriting = (flags & (kOpenWrite | kOpenReadWrite)) != 0;
    if (!m_lha.IsLoaded()) {
        if (m_bWriting) {
            throw CFileException(CFileException::genericException, 0, path, kNoArchiver);
        }
        throw CCaseFileException(CFileException::genericException, 0, path, 1, kNoArchiver);
    }
    std::string error;
    if (!m_folder.Create(workFolder, &error)) {
        Log("CArchivedCaseFile: " + error);
        if (m_bWriting) {
            throw CFileException(CFileException::CauseFromErrno(errno), errno, path);
        }
        throw CCaseFileException(CFileException::genericException, errno, path, 1,
                                 "cannot make a temporary folder: " + error);
    }
    m_strArchivePath = path;
    m_strTempPath = m_folder.Path() + kArchivedCaseMember;
    if (m_bWriting) {
        try {
            m_target.Open(path);
        } catch (...) {
            Discard();
            throw;
        }
    } else {
        // The member is looked for by name without regard to case (archives made
        // elsewhere may hold "TOBLHARC.CAS") and then read under the name it has.
        std::string member;
        std::string reason;
        if (!FindMember(path, member, reason) ||
            !m_lha.Extract(path, m_folder.Path(), {member}, false)) {
            if (reason.empty()) {
                reason = m_lha.LastError();
            }
            Log("CArchivedCaseFile: " + path + ": " + reason);
            Discard();
            throw CCaseFileException(CFileException::genericException, 0, path, 1,
                                     UnpackFailure(path, reason));
        }
        std::optional<SExtractedParts> parts = ExtractedParts(member, false);
        m_strTempPath = m_folder.Path() + (parts ? parts->m_strLeaf : std::string());
    }
    try {
        m_file.Open(m_strTempPath, flags);
    } catch (const CFileException& e) {
        Discard();
        if (m_bWriting) {
            throw CFileException(e.m_cause, e.m_lOsError, path);
        }
        // A file error is reported as such: the cause that means "wrong password" in
        // a case-file error must never come from here.
        const int cause = e.m_cause == CCaseFileException::kBadPassword
                              ? CFileException::genericException
                              : e.m_cause;
        throw CCaseFileException(cause, e.m_lOsError, path, 1,
                                 e.m_lOsError == ENOENT ? "the archive holds no case file" : "");
    }
    m_bOpen = true;
}

bool CArchivedCaseFile::FindMember(const std::string& path, std::string& member,
                                   std::string& reason) {
    if (!m_lha.OpenArchive(path, 0)) {
        reason = m_lha.LastError();
        return false;
    }
    bool found = false;
    SArcListEntry entry;
    for (bool more = m_lha.FindFirst("*", entry); more; more = m_lha.FindNext(entry)) {
        const std::string_view name = entry.Name();
        if ((entry.m_dwAttributes & kArcAttrDirectory) == 0 &&
            ArcMatchKey(name) == kArchivedCaseMember) {
            member = std::string(name);
            found = true;
            break;
        }
    }
    m_lha.CloseArchive();
    if (!found) {
        reason = std::string("the archive holds no ") + kArchivedCaseMember;
    }
    return found;
}

std::size_t CArchivedCaseFile::Read(void* buffer, std::size_t count) {
    return m_file.Read(buffer, count);
}

void CArchivedCaseFile::Write(const void* buffer, std::size_t count) {
    m_file.Write(buffer, count);
}

void CArchivedCaseFile::Flush() {
    m_file.Flush();
}

void CArchivedCaseFile::Close() {
    if (!m_bOpen) {
        return;
    }
    if (!m_bWriting) {
        m_file.Close();
        Discard();
        return;
    }
    try {
        m_file.Close();
    } catch (...) {
        m_target.Abort();
        Discard();
        throw;
    }
    // The new archive is built beside the old one and put in its place only when
    // complete, so a failed pack leaves the old ".caz" as it was.
    CLhaWriter writer;
    std::string error;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    const int fd = ::fcntl(m_target.Fd(), F_DUPFD_CLOEXEC, 0);
    std::FILE* out = fd >= 0 ? ::fdopen(fd, "w+b") : nullptr;
    if (!out && fd >= 0) {
        ::close(fd);
    }
    bool packed = out && writer.Open(out, error) &&
                  writer.AddMember(kArchivedCaseMember, std::filesystem::path(m_strTempPath), now,
                                   0644, error) &&
                  writer.Finish(error);
    int packError = packed ? 0 : errno;
    if (out && std::fclose(out) != 0 && packed) {
        packed = false;
        packError = errno;
        error = std::strerror(packError);
    }
    Discard();
    if (!packed) {
        m_target.Abort();
        Log("CArchivedCaseFile: " + m_strArchivePath + ": " + error);
        const int cause = packError != 0 ? CFileException::CauseFromErrno(packError)
                                         : CFileException::genericException;
        throw CFileException(cause, packError, m_strArchivePath);
    }
    m_target.Commit();
}

void CArchivedCaseFile::Abort() {
    m_file.Abort();
    m_target.Abort();
    Discard();
}

void CArchivedCaseFile::Discard() {
    m_bOpen = false;
    m_strTempPath.clear();
    m_folder.Remove();
}

std::uint64_t CArchivedCaseFile::GetLength() {
    return m_file.GetLength();
}

void InstallArchivedCaseStreams(CArchiverSet& archivers) {
    CLhaArchiver* shared = &archivers.Lha();
    SetArchivedCaseStreamFactory([shared](const std::string& path, unsigned flags) {
        // The set's adapter says whether LHA is there at all; when it is not, the
        // stream made with it gives the usual error.
        std::unique_ptr<CArchivedCaseFile> stream;
        if (shared->IsLoaded()) {
            auto lha = std::make_unique<CLhaArchiver>();
            lha->Load();
            stream = std::make_unique<CArchivedCaseFile>(std::move(lha));
        } else {
            stream = std::make_unique<CArchivedCaseFile>(*shared);
        }
        stream->Open(path, flags, TempFolder());
        return std::unique_ptr<ICaseStream>(std::move(stream));
    });
}

} // namespace quillora
