// The case root: class record, password block, the load sequence and its errors.
#include "model/CCDCase.h"

#include "core/IModelSettings.h"
#include "core/Resources.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/CArchiveWriter.h"
#include "model/CCaseReader.h"
#include "model/CTreeBuilder.h"
#include "model/CaseEditing.h"
#include "model/CaseSchema.h"
#include "model/DisplayName.h"
#include "model/FileException.h"
#include "model/SVolumeInfo.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

namespace quillora {

namespace {

constexpr const char kClassName[] = "CCDCase";

std::mutex g_passwordLock;
std::string g_tryPassword;

std::uint32_t RotateLeft(std::uint32_t v, int n) {
    return v << n | v >> (32 - n);
}
std::uint32_t RotateRight(std::uint32_t v, int n) {
    return v >> n | v << (32 - n);
}

} // namespace

std::string TryPassword() {
    std::lock_guard guard(g_passwordLock);
    return g_tryPassword;
}

void SetTryPassword(const std::string& password) {
    std::lock_guard guard(g_passwordLock);
    g_tryPassword = password;
}

EPasswordProblem PasswordBytes(std::string_view password, std::string* bytes) {
    std::string cp932;
    if (!text::Utf8ToCp932(password, cp932)) {
        return EPasswordProblem::NotCp932;
    }
    // A zero byte would end the password early when it is read back.
    if (cp932.find('\0') != std::string::npos) {
        return EPasswordProblem::NotCp932;
    }
    if (cp932.size() > kMaxPasswordBytes) {
        return EPasswordProblem::TooLong;
    }
    if (bytes) {
        *bytes = std::move(cp932);
    }
    return EPasswordProblem::None;
}

std::array<std::uint8_t, 16> EncodePasswordBlock(std::string_view password) {
    // The bytes of the password, a 16-byte bounded copy: zeros after a shorter one.
    std::uint8_t p[16];
    std::memset(p, 0x30, sizeof p);
    std::size_t n = std::min<std::size_t>(password.size(), 16);
    std::memcpy(p, password.data(), n);
    if (n < 16) {
        std::memset(p + n, 0, 16 - n);
    }
    std::array<std::uint8_t, 16> block{};
    for (int i = 0; i < 4; ++i) {
        int j = 3 - i;
        std::uint32_t w = static_cast<std::uint32_t>(p[j]) |
                          static_cast<std::uint32_t>(p[j + 4]) << 8 |
                          static_cast<std::uint32_t>(p[j + 8]) << 16 |
                          static_cast<std::uint32_t>(p[j + 12]) << 24;
        std::uint32_t scrambled = RotateLeft(~w, 11);
        for (int b = 0; b < 4; ++b) {
            block[static_cast<std::size_t>(i * 4 + b)] =
                static_cast<std::uint8_t>(scrambled >> (8 * b));
        }
    }
    return block;
}

std::string DecodePasswordBlock(const std::array<std::uint8_t, 16>& block) {
    std::uint8_t p[16];
    for (int i = 0; i < 4; ++i) {
        int j = 3 - i;
        std::uint32_t w = 0;
        for (int b = 0; b < 4; ++b) {
            w |= static_cast<std::uint32_t>(block[static_cast<std::size_t>(i * 4 + b)]) << (8 * b);
        }
        std::uint32_t c = ~RotateRight(w, 11);
        p[j] = static_cast<std::uint8_t>(c);
        p[j + 4] = static_cast<std::uint8_t>(c >> 8);
        p[j + 8] = static_cast<std::uint8_t>(c >> 16);
        p[j + 12] = static_cast<std::uint8_t>(c >> 24);
    }
    std::size_t n = 0;
    while (n < 16 && p[n] != 0) {
        ++n;
    }
    return std::string(reinterpret_cast<const char*>(p), n);
}

namespace {

std::uint64_t NextRevision() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

CCDCase::CCDCase() : m_nRevision(NextRevision()) {
    m_dwFlags = kFlagCase;
    m_strName = Res(130);
    UpdateDisplayNameTree(true);
}

void CCDCase::OnTreeChanged() {
    m_nRevision.store(NextRevision(), std::memory_order_relaxed);
}

void CCDCase::RefreshDisplayName() {
    std::size_t cut = m_strName.find_last_of("\\/");
    std::string_view tail = cut == std::string::npos ? std::string_view(m_strName)
                                                     : std::string_view(m_strName).substr(cut + 1);
    SetDisplayName(NormalizeDisplayName(tail, FileDispModeSetting()));
}

std::vector<SVolumeInfo*> CCDCase::CollectMedia() const {
    std::vector<SVolumeInfo*> media;
    for (const auto& child : Children()) {
        if (child->HasFlags(kFlagGroup)) {
            for (const auto& inner : child->Children()) {
                if (inner->HasFlags(kFlagMedium)) {
                    media.push_back(static_cast<SVolumeInfo*>(inner.get()));
                }
            }
        } else if (child->HasFlags(kFlagMedium)) {
            media.push_back(static_cast<SVolumeInfo*>(child.get()));
        }
    }
    return media;
}

void CCDCase::Write(ICaseStream& stream) const {
    CArchiveWriter ar(stream);
    ar.WriteU16(0xFFFF);
    ar.WriteU16(kCurrentSchema);
    ar.WriteU16(static_cast<std::uint16_t>(sizeof kClassName - 1));
    ar.WriteBytes(kClassName, sizeof kClassName - 1);
    std::string passwordBytes;
    if (PasswordBytes(m_strPassword, &passwordBytes) != EPasswordProblem::None) {
        // Stored cut or altered, the password could never be typed again.
        throw CFileException(CFileException::invalidFile, 0, stream.GetFilePath(),
                             "the password cannot be stored in a case file (at most 16 "
                             "bytes of Shift_JIS characters)");
    }
    if (DeepestParentLevel(*this) >= kMaxTreeDepth) {
        // Written, it could never be read again: the old file is kept instead.
        throw CFileException(CFileException::invalidFile, 0, stream.GetFilePath(),
                             "records are nested deeper than a case file can hold (" +
                                 std::to_string(kMaxTreeDepth) + " levels)");
    }
    std::array<std::uint8_t, 16> block = EncodePasswordBlock(passwordBytes);
    ar.WriteBytes(block.data(), block.size());
    StoreRecordBody(ar);
    ar.Flush();
    stream.Flush();
}

std::unique_ptr<CCDCase> CCDCase::Read(ICaseStream& stream, const std::string& path,
                                       SPasswordCheck* check) {
    auto root = std::make_unique<CCDCase>();
    CTreeBuilder builder(*root, CTreeBuilder::ETop::Fill);
    CCaseReader::Read(stream, builder, check);
    root->m_strName = path;
    root->UpdateDisplayName();
    if (SchemaFor(root->m_nLoadedSchema).recalcAfterLoad) {
        root->RecalcSize(true);
    }
    root->TakeFileFacts();
    return root;
}

namespace {

// Size, attribute bits to add and the three times of the file at `path`; false when
// it is not there.
bool FileFacts(const std::string& path, std::uint64_t& size, std::uint32_t& attributes,
               FileTime times[3]) {
    struct statx st {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
        return false;
    }
    size = st.stx_size;
    attributes = 0;
    if (S_ISREG(st.stx_mode)) {
        attributes |= kAttrArchive;
    }
    if ((st.stx_mode & 0222) == 0) {
        attributes |= kAttrReadOnly;
    }
    auto toFileTime = [](const statx_timestamp& t) {
        return FileTimeFromUnix(t.tv_sec, t.tv_nsec);
    };
    times[0] = toFileTime(st.stx_atime);
    times[1] = toFileTime(st.stx_mtime);
    times[2] = (st.stx_mask & STATX_BTIME) ? toFileTime(st.stx_btime) : times[1];
    return true;
}

} // namespace

void CCDCase::TakeFileFacts() {
    std::uint32_t attributes = 0;
    FileTime times[3];
    if (FileFacts(m_strName, m_nSize, attributes, times)) {
        m_dwFlags |= attributes;
        m_ftLastAccess = times[0];
        m_ftLastWrite = times[1];
        m_ftCreation = times[2];
    }
}

void CCDCase::TakeFileFacts(const std::string& path, SRecordFacts& facts) {
    std::uint32_t attributes = 0;
    FileTime times[3];
    if (FileFacts(path, facts.m_nSize, attributes, times)) {
        facts.m_dwFlags |= attributes;
        facts.m_ftLastAccess = times[0];
        facts.m_ftLastWrite = times[1];
        facts.m_ftCreation = times[2];
    }
}

} // namespace quillora
