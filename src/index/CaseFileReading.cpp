// Case files streamed into the index's records, .caz through the LHA reader.
#include "index/CaseFileReading.h"

#include "core/FileTypeCode.h"
#include "core/XdgPaths.h"
#include "index/CIndexSink.h"
#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "model/ReplayTree.h"
#include "scan/CArchivedCaseFile.h"
#include "scan/LhaArchiver.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

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
    ReplayTree(root, sink);
    TakeSink(sink, facts, records);
}

} // namespace quillora
