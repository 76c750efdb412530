// Streaming a case file: the stream its name calls for, the password check and the
// reader, with every failure turned into a result.
#include "report/CaseFileStreaming.h"

#include "core/FileTypeCode.h"
#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "scan/CArchivedCaseFile.h"

#include <memory>

namespace quillora {

namespace {

std::unique_ptr<ICaseStream> OpenForReading(const std::string& path, CLhaArchiver& lha) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (FileTypeCode(name) == kFtCaz) {
        auto archived = std::make_unique<CArchivedCaseFile>(lha);
        archived->Open(path, kOpenForLoad, TempFolder());
        return archived;
    }
    return OpenCaseStream(path, kOpenForLoad, false);
}

} // namespace

SCaseStreamResult StreamCaseFile(const std::string& path, const std::string& password,
                                 IRecordSink& sink, CLhaArchiver& lha) {
    SCaseStreamResult result;
    std::unique_ptr<ICaseStream> stream;
    CCDCase::SPasswordCheck check{password, {}};
    try {
        stream = OpenForReading(path, lha);
        CCaseReader::Read(*stream, sink, &check);
        stream->Close();
        result.m_bRead = true;
        return result;
    } catch (const CCaseFileException& e) {
        result.m_bBadPassword = e.m_cause == CCaseFileException::kBadPassword;
        result.m_strFilePassword = check.filePassword;
        result.m_strError = DescribeCaseError(e, path);
    } catch (const std::exception& e) {
        result.m_strError = DescribeCaseError(e, path);
    } catch (...) {
        result.m_strError = path + ": unknown error";
    }
    LogFormat("StreamCaseFile: %s", result.m_strError.c_str());
    if (stream) {
        try {
            stream->Abort();
        } catch (...) {
        }
    }
    return result;
}

} // namespace quillora
