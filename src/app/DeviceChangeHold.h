// Keeps device changes waiting while a command holds records of the case across
// dialogs (a re-scan of the medium would delete them under it).
#pragma once

#include "app/TobCaseDoc.h"

namespace quillora {

class CDeviceChangeHold {
public:
    explicit CDeviceChangeHold(CTobCaseDoc& doc) : m_doc(doc) { m_doc.HoldDeviceChanges(true); }
    ~CDeviceChangeHold() { m_doc.HoldDeviceChanges(false); }
    CDeviceChangeHold(const CDeviceChangeHold&) = delete;
    CDeviceChangeHold& operator=(const CDeviceChangeHold&) = delete;

private:
    CTobCaseDoc& m_doc;
};

} // namespace quillora
