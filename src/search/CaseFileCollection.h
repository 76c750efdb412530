// Finding the case files below a folder for the search across case files.
#pragma once

#include <stop_token>
#include <string>
#include <vector>

namespace quillora {

// One case file of a search across case files.
struct SCaseFileEntry {
    // Relative to the base folder, as the names are on disk, joined with "/".
    std::string m_strPath;
    // Matching records; -1 until known, and -1 for a file that could not be read.
    int m_nCount = -1;
    bool m_bDone = false;
};

// The base folder without one trailing "/" (the root folder stays "/").
std::string TrimBaseFolder(const std::string& folder);

// The full path of an entry below the base folder.
std::string CaseFilePath(const std::string& baseFolder, const std::string& relativePath);

// The relative path for the user: each name as the catalogue shows it (valid UTF-8),
// joined with "/".
std::string CaseFileDisplayPath(const std::string& relativePath);

// Collects the case files below `baseFolder`, depth first in the order the file
// system lists each folder: a name whose file-type code is ".CAS" or ".CAZ" is a case
// file (a folder so named too, which is then not entered); any other folder is
// entered. Symbolic links are never followed into folders and a folder met again
// (a bind mount of an ancestor) is not entered twice, so loops end. Unreadable
// folders add nothing. Stops early, with what it has, once `stop` is asked to.
std::vector<SCaseFileEntry> CollectCaseFiles(const std::string& baseFolder,
                                             const std::stop_token& stop = {});

} // namespace quillora
