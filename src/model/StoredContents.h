// Stored contents: writing a record's kept copy of its file out to the extraction
// folder, and loading it from the medium (or, through the archive layer, from inside
// an archive) into the record.
#pragma once

#include "model/MediumPath.h"

#include <string>

namespace quillora {

class SFileInfo;

// Extracts one entry of an archive file into a folder. The archive layer, which
// sits above the model, installs its implementation with SetArchiveEntryExtractor.
class IArchiveEntryExtractor {
public:
    virtual ~IArchiveEntryExtractor() = default;
    // Extracts the entry at `pathInArchive` ("\" separators; see PathInsideArchive)
    // of `archive`, a listed archive file whose Linux path is `archiveOsPath`, below
    // the Linux folder `folder`. On success *extractedPath is the Linux path of the
    // extracted file; on failure *error says why.
    virtual bool ExtractEntry(const SFileInfo& archive, const std::string& archiveOsPath,
                              const std::string& pathInArchive, const std::string& folder,
                              std::string* extractedPath, std::string* error) = 0;
};

// The process-wide extractor; null (the default) means archive entries cannot be
// loaded. The installer keeps ownership and must outlive its use.
void SetArchiveEntryExtractor(IArchiveEntryExtractor* extractor);
IArchiveEntryExtractor* ArchiveEntryExtractor();

// Writes the record's stored contents to the extraction folder `folder` under the
// record's name. A partly written file is deleted. *writtenPath (when given) receives
// the file's path; on failure *error says why. Folders and records without stored
// contents fail.
bool WriteStoredContents(const SFileInfo& record, const std::string& folder,
                         std::string* writtenPath, std::string* error);

// Reads the record's file whole into its stored contents: from its medium, or for an
// archive entry through the archive entry extractor into the extraction folder
// `folder` (the extracted file and the folders made for it are removed afterwards).
// The medium must be present. On failure the record keeps what it had and *error
// says why.
bool LoadStoredContents(SFileInfo& record, const std::string& folder, std::string* error);

} // namespace quillora
