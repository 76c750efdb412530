// Opening, reading and saving whole case files: the stream chosen for a path, the
// read of one case outside the document, and the atomic save.
#pragma once

#include "model/CCDCase.h"
#include "model/CaseStream.h"
#include "model/IRecordSink.h"

#include <functional>
#include <memory>
#include <string>

namespace quillora {

// Makes the stream for one path and open mode; throws CFileException (or
// CCaseFileException) when it cannot be opened.
using CaseStreamFactory =
    std::function<std::unique_ptr<ICaseStream>(const std::string& path, unsigned flags)>;

// Streams for ".caz" files come from the archive layer above the model; it installs
// its factory here. Without one, ".caz" files cannot be opened.
void SetArchivedCaseStreamFactory(CaseStreamFactory factory);

// The case-file opener: ".caz" -> the archived stream; writing without compression
// -> a plain file; otherwise the gzip stream (which reads plain files unchanged).
std::unique_ptr<ICaseStream> OpenCaseStream(const std::string& path, unsigned flags, bool compress);

// Reads the case at `path` with `tryPassword` as the try-password. On any error
// returns null; *badPassword tells whether the error was a wrong password and
// *error (when given) holds a sentence for the user.
std::unique_ptr<CCDCase> ReadCaseFile(const std::string& path, const std::string& tryPassword,
                                      bool* badPassword, std::string* error = nullptr);

// Streams the records of the case at `path` into `sink` without building its tree,
// checking the password against `tryPassword` (the process-wide try-password is left
// alone). Returns false as ReadCaseFile returns null (an exception of the sink's
// counts as an error too); what the sink got then is not to be used.
bool StreamCaseFile(const std::string& path, const std::string& tryPassword, IRecordSink& sink,
                    bool* badPassword, std::string* error = nullptr);

// Writes the case to `path` (its name becomes the full path): the new file replaces
// the old one only when it is complete, beside the file a symbolic link at `path`
// names. Throws CFileException on failure (also when `path` is read-only or not a
// regular file); the old file is then untouched. *writtenFile (when given) receives
// the new file, under an exclusive lock, for a caller that keeps it locked.
void SaveCaseFile(CCDCase& root, const std::string& path, bool compress,
                  CUniqueFd* writtenFile = nullptr);

// `path` made absolute (against the current folder), as a case names its own file.
std::string FullCasePath(const std::string& path);

// One line in English about a failed read or write: the file, then why (never the
// program's resource texts, so the command line can print it as it is).
std::string DescribeCaseError(const std::exception& error, const std::string& path);

} // namespace quillora
