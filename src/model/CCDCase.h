// CCDCase: the root of a case, holding its media and groups, its password and the
// path of its file. Reading and writing a whole case file start here.
#pragma once

#include "model/SFileInfo.h"

#include <array>
#include <atomic>
#include <memory>
#include <string_view>

namespace quillora {

class ICaseStream;

class CCDCase : public SFileInfo {
public:
    // A new case is named "新しいｹｰｽ".
    CCDCase();

    RecordClass Class() const override { return RecordClass::Case; }

    // Empty means no password; at most 16 bytes are stored.
    std::string m_strPassword;
    // The schema the case was read with (0 for a case made in memory). Not stored.
    int m_nLoadedSchema = 0;

    using SFileInfo::GetPath;
    void GetPath(std::string& out) const override { out = m_strName; }
    // Changes whenever the case's tree changes: records added, removed or reordered,
    // display names updated. No two cases, nor two states of one case, share a number
    // within a process, so a case and its revision name one state of one tree.
    std::uint64_t Revision() const { return m_nRevision.load(std::memory_order_relaxed); }

    // Writes the whole case file (class record, password block, tree) to `stream`
    // and flushes it. Throws CFileException on I/O errors and when the password
    // cannot be stored (see PasswordBytes).
    void Write(ICaseStream& stream) const;

    // A password check of a read's own, for reading on several threads at once: the
    // file's password is compared with `tryPassword` instead of the process-wide
    // try-password, and on a mismatch it goes into `filePassword` instead of into
    // the process-wide one.
    struct SPasswordCheck {
        std::string tryPassword;
        std::string filePassword;
    };

    // Reads one case object from `stream`. The case's name becomes `path`. Throws
    // CArchiveException (bad class, bad schema), CCaseFileException (wrong
    // password) or CFileException; nothing partly read survives an error. With
    // `check`, the process-wide try-password is neither read nor changed.
    static std::unique_ptr<CCDCase> Read(ICaseStream& stream, const std::string& path,
                                         SPasswordCheck* check = nullptr);

    // Takes size, attribute bits and times of its own file (m_strName) from the
    // file system; nothing changes when the file is not found.
    void TakeFileFacts();
    // The same for the facts of a case streaming past, from the file at `path`.
    static void TakeFileFacts(const std::string& path, SRecordFacts& facts);

    // Every medium of the case, in tree order, groups descended into.
    std::vector<class SVolumeInfo*> CollectMedia() const;

protected:
    // The file name without its folder, normalised like any other name.
    void RefreshDisplayName() override;
    void OnTreeChanged() override;

private:
    // Atomic so that a look from another thread than the one changing the tree is
    // no data race; whoever changes a case still owns it alone.
    std::atomic<std::uint64_t> m_nRevision;
};

// A password the case file can hold: its CP932 bytes, at most 16 of them.
inline constexpr std::size_t kMaxPasswordBytes = 16;
enum class EPasswordProblem { None, NotCp932, TooLong };
// Why `password` cannot be stored as it stands (None when it can); *bytes (when
// given) receives its CP932 bytes. A password is never stored cut or altered.
EPasswordProblem PasswordBytes(std::string_view password, std::string* bytes = nullptr);

// The 16-byte scrambled form of a password's CP932 bytes, and back (the bytes up to
// the first 0 byte, at most 16).
std::array<std::uint8_t, 16> EncodePasswordBlock(std::string_view passwordBytes);
std::string DecodePasswordBlock(const std::array<std::uint8_t, 16>& block);

// The process-wide try-password: the password the next read checks against. The
// reader sets it to the stored password when the check fails.
std::string TryPassword();
void SetTryPassword(const std::string& password);

} // namespace quillora
