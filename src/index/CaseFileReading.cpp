// Case files streamed into the index's records, .caz through the LHA reader.
#include "index/CaseFileReading.h"

#include "core/FileTypeCode.h"
#include "core/LittleEndian.h"
#include "core/UniqueFd.h"
#include "core/XdgPaths.h"
#include "index/CIndexSink.h"
#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "model/ReplayTree.h"
#include "scan/CArchivedCaseFile.h"
#include "scan/LhaArchiver.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillora {

namespace {

constexpr const char* kProtectedCause = "protected by a password";

void TakeSink(CIndexSink& sink, SIndexedCase& facts, SCaseRecords& records) {
    if (sink.Protected()) {
        facts.m_state = ECaseState::Protected;
        facts.m_strCause = kProtectedCause;
        return;
    }
    if (!sink.Result() || !sink.Result()->Usable()) {
        facts.m_state = ECaseState::Unreadable;
        facts.m_strCause = sink.Result() ? sink.Result()->m_strCause : "the case ended early";
        return;
    }
    records = std::move(sink.Records());
    facts.m_state = ECaseState::Indexed;
    facts.m_strCause.clear();
    facts.m_nRecords = records.m_records.size();
}

// About how many records a case file holds, from its size (or, gzip-compressed, the
// size its trailer gives), at 64 bytes a record: few are smaller. 0 when unknown.
std::size_t ExpectedRecords(const std::string& path, std::int64_t fileSize) {
    constexpr std::uint64_t kBytesPerRecord = 64;
    // Case files inflate to a few times their size; a trailer that claims more (damaged,
    // or a file made to look so) gets no more room than this, so that no bogus figure
    // can make the reservation fail. A case that is larger only grows its array later.
    constexpr std::uint64_t kMostInflation = 32;
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    unsigned char head[2] = {};
    if (fd.Get() < 0 || fileSize < 18 || ::pread(fd.Get(), head, 2, 0) != 2) {
        return static_cast<std::size_t>(std::max<std::int64_t>(fileSize, 0)) / kBytesPerRecord;
    }
    if (head[0] != 0x1f || head[1] != 0x8b) {
        return static_cast<std::size_t>(fileSize) / kBytesPerRecord;
    }
    unsigned char trailer[4] = {};
    if (::pread(fd.Get(), trailer, 4, fileSize - 4) != 4) {
        return 0;
    }
    const std::uint64_t inflated = std::min<std::uint64_t>(
        Le32(trailer), static_cast<std::uint64_t>(fileSize) * kMostInflation);
    return static_cast<std::size_t>(inflated / kBytesPerRecord);
}

// The records of the tree below and with `top`.
std::size_t CountRecords(const SFileInfo& top) {
    std::size_t count = 0;
    std::vector<const SFileInfo*> pending{&top};
    while (!pending.empty()) {
        const SFileInfo* record = pending.back();
        pending.pop_back();
        ++count;
        for (std::size_t i = 0; i < record->ChildCount(); ++i) {
            pending.push_back(record->ChildAt(i));
        }
    }
    return count;
}

} // namespace

std::optional<SIndexedCase> StatCaseFile(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    struct stat st {};
    if (ec || ::stat(absolute.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    SIndexedCase facts;
    facts.m_strPath = absolute.lexically_normal().string();
    facts.m_nFileSize = st.st_size;
    facts.m_nModified =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return facts;
}

void ReadCaseForIndex(SIndexedCase& facts, SCaseRecords& records) {
    records = {};
    facts.m_nRecords = 0;
    CLhaArchiver lha;
    std::unique_ptr<ICaseStream> stream;
    // No password is tried: a protected case stays out of the index whatever the user
    // knows, since the index itself is not protected.
    CCDCase::SPasswordCheck check{std::string(), {}};
    CIndexSink sink;
    try {
        const std::string name = std::filesystem::path(facts.m_strPath).filename().string();
        if (FileTypeCode(name) == kFtCaz) {
            auto archived = std::make_unique<CArchivedCaseFile>(lha);
            archived->Open(facts.m_strPath, kOpenForLoad, TempFolder());
            stream = std::move(archived);
        } else {
            sink.Reserve(ExpectedRecords(facts.m_strPath, facts.m_nFileSize));
            stream = OpenCaseStream(facts.m_strPath, kOpenForLoad, false);
        }
        CCaseReader::Read(*stream, sink, &check);
        stream->Close();
        TakeSink(sink, facts, records);
        return;
    } catch (const CCaseFileException& e) {
        if (e.m_cause == CCaseFileException::kBadPassword) {
            facts.m_state = ECaseState::Protected;
            facts.m_strCause = kProtectedCause;
        } else {
            facts.m_state = ECaseState::Unreadable;
            facts.m_strCause = DescribeCaseError(e, facts.m_strPath);
        }
    } catch (const std::exception& e) {
        facts.m_state = ECaseState::Unreadable;
        facts.m_strCause = DescribeCaseError(e, facts.m_strPath);
    }
    if (stream) {
        try {
            stream->Abort();
        } catch (...) {
        }
    }
    records = {};
}

void TakeOpenCase(const CCDCase& root, SIndexedCase& facts, SCaseRecords& records) {
    records = {};
    facts.m_nRecords = 0;
    CIndexSink sink;
    sink.Reserve(CountRecords(root));
    ReplayTree(root, sink);
    TakeSink(sink, facts, records);
}

} // namespace quillora
