// The case-file opener, ReadCaseFile and the atomic save.
#include "model/CaseFile.h"

#include "core/FileTypeCode.h"
#include "core/TraceLog.h"
#include "model/ArchiveException.h"
#include "model/CCaseReader.h"
#include "model/CPlainCaseFile.h"
#include "model/CXFileZlib.h"
#include "model/CaseFileException.h"

#include <filesystem>
#include <mutex>

namespace quillora {

namespace {

std::mutex g_factoryLock;
CaseStreamFactory g_archivedFactory;

} // namespace

void SetArchivedCaseStreamFactory(CaseStreamFactory factory) {
    std::lock_guard guard(g_factoryLock);
    g_archivedFactory = std::move(factory);
}

std::unique_ptr<ICaseStream> OpenCaseStream(const std::string& path, unsigned flags,
                                            bool compress) {
    std::size_t slash = path.rfind('/');
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (FileTypeCode(fileName) == kFtCaz) {
        CaseStreamFactory factory;
        {
            std::lock_guard guard(g_factoryLock);
            factory = g_archivedFactory;
        }
        if (!factory) {
            throw CCaseFileException(CFileException::genericException, 0, path, 1,
                                     "no LHA archiver to unpack .caz files");
        }
        try {
            return factory(path, flags);
        } catch (CCaseFileException& e) {
            e.m_nMessageKind = 1;
            throw;
        }
    }
    if ((flags & kOpenReadWrite) && !compress) {
        auto plain = std::make_unique<CPlainCaseFile>();
        plain->Open(path, flags);
        return plain;
    }
    auto gz = std::make_unique<CXFileZlib>();
    gz->Open(path, flags);
    return gz;
}

namespace {

// Opens `path` for reading and runs `read` over its stream; false after any error,
// with *badPassword and *error filled as ReadCaseFile describes.
bool ReadWithStream(const std::string& path, bool* badPassword, std::string* error,
                    const std::function<void(ICaseStream&)>& read) {
    if (badPassword) {
        *badPassword = false;
    }
    std::unique_ptr<ICaseStream> stream;
    try {
        stream = OpenCaseStream(path, kOpenForLoad, false);
        read(*stream);
        stream->Close();
        return true;
    } catch (const CCaseFileException& e) {
        if (badPassword) {
            *badPassword = e.IsBadPassword();
        }
        if (error) {
            *error = DescribeCaseError(e, path);
        }
    } catch (const std::exception& e) {
        if (error) {
            *error = DescribeCaseError(e, path);
        }
    }
    if (stream) {
        stream->Abort();
    }
    return false;
}

} // namespace

std::unique_ptr<CCDCase> ReadCaseFile(const std::string& path, const std::string& tryPassword,
                                      bool* badPassword, std::string* error) {
    SetTryPassword(tryPassword);
    std::unique_ptr<CCDCase> root;
    ReadWithStream(path, badPassword, error,
                   [&](ICaseStream& stream) { root = CCDCase::Read(stream, FullCasePath(path)); });
    return root;
}

bool StreamCaseFile(const std::string& path, const std::string& tryPassword, IRecordSink& sink,
                    bool* badPassword, std::string* error) {
    CCDCase::SPasswordCheck check{tryPassword, {}};
    return ReadWithStream(path, badPassword, error,
                          [&](ICaseStream& stream) { CCaseReader::Read(stream, sink, &check); });
}

std::string FullCasePath(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

void SaveCaseFile(CCDCase& root, const std::string& path, bool compress, CUniqueFd* writtenFile) {
    std::unique_ptr<ICaseStream> stream = OpenCaseStream(path, kOpenForSave, compress);
    std::string previousName = root.m_strName;
    try {
        root.m_strName = FullCasePath(path);
        root.UpdateDisplayNameTree(false);
        root.Write(*stream);
        stream->Close();
        if (writtenFile) {
            *writtenFile = stream->TakeWrittenFile();
        }
    } catch (...) {
        stream->Abort();
        root.m_strName = previousName;
        root.UpdateDisplayNameTree(false);
        throw;
    }
    root.TakeFileFacts();
}

std::string DescribeCaseError(const std::exception& error, const std::string& path) {
    // Plain English in every case: the program shows it below its own message, the
    // command line on its own.
    if (const auto* fileError = dynamic_cast<const CFileException*>(&error)) {
        const std::string& name =
            fileError->m_strFileName.empty() ? path : fileError->m_strFileName;
        return name + ": " + fileError->Reason();
    }
    return path + ": " + error.what();
}

} // namespace quillora
