// "ｺﾒﾝﾄ自動抽出": extracts the comments of chosen records again (overwriting them, and
// below folders too) on the window's thread, one file at a time, with a progress
// dialog that keeps the window painted and lets the user stop between two files.
#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quillora {

class CExtractTextManager;
class IArchiveLister;
class SFileInfo;

class CAutoCommentRunner {
public:
    // `lister` extracts entries of archives (may be null: archive entries then get no
    // comments). Both must outlive the runner.
    CAutoCommentRunner(CExtractTextManager& extractors, IArchiveLister* lister);

    // Runs the extraction on every record and everything below it. The progress
    // dialog appears when the work lasts (after half a second) with the file being
    // read. False when the user stopped it; the records done so far keep their new
    // comments.
    bool Run(QWidget* parent, const std::vector<SFileInfo*>& records);

    // Without a window: the same work, stopping when `stop` returns true (tests).
    bool Run(const std::vector<SFileInfo*>& records, const std::function<bool()>& stop,
             const std::function<void(const SFileInfo&)>& progress = {});

    // How many files (or archives, each in one batch) were processed by the last Run.
    std::size_t Processed() const { return m_processed; }

    // The work units of `records`: each plain file on its own, and each record inside
    // an archive (an archive node, a folder in an archive) as one batch.
    static std::vector<SFileInfo*> WorkUnits(const std::vector<SFileInfo*>& records);

private:
    CExtractTextManager& m_extractors;
    IArchiveLister* m_lister;
    std::size_t m_processed = 0;
};

} // namespace quillora
