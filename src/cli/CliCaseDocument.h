// A case document for a command that changes a case: the document with the drive
// table and presence it works with, opened without a lock of its own because the
// command holds the case's lock itself from the read to the save.
#pragma once

#include "document/CCaseDocument.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <string>

namespace quillora::cli {

class CCliCaseDocument {
public:
    explicit CCliCaseDocument(IDocumentUi& ui);
    CCliCaseDocument(const CCliCaseDocument&) = delete;
    CCliCaseDocument& operator=(const CCliCaseDocument&) = delete;

    // Reads the case at `path`; false after the document reported why.
    bool Open(const std::string& path) { return m_doc.OnOpenDocument(path); }
    CCaseDocument& Doc() { return m_doc; }

private:
    CDriveTable m_drives;
    CMediaPresence m_presence;
    CCaseDocument m_doc;
};

} // namespace quillora::cli
