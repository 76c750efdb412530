// The case document of a command that changes a case.
#include "cli/CliCaseDocument.h"

#include "cli/CliSupport.h"

namespace quillora::cli {

CCliCaseDocument::CCliCaseDocument(IDocumentUi& ui)
    : m_presence(UserMediaPresence()), m_doc(ui, m_drives, m_presence) {
    m_doc.SetFileLocking(false);
}

} // namespace quillora::cli
