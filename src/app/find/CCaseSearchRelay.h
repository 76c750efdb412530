// Hands what a search across case files reports from its threads to the dialog on the
// GUI thread, as queued calls; a call for a dialog that is gone is dropped.
#pragma once

#include "search/ICaseSearchSink.h"

namespace quillora {

class CCaseFindDlg;

class CCaseSearchRelay : public ICaseSearchSink {
public:
    explicit CCaseSearchRelay(CCaseFindDlg& dialog) : m_dialog(&dialog) {}

    void Listed(const std::vector<SCaseFileEntry>& entries) override;
    void Searching(std::size_t index) override;
    void Counted(std::size_t index, int count) override;
    void Finished() override;
    void PasswordNeeded(const std::string& path, const std::string& filePassword) override;

private:
    // The search is stopped and waited for before the dialog goes away.
    CCaseFindDlg* m_dialog;
};

} // namespace quillora
