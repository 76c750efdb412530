// Tree text: branch marks and the containers-first walk.
#include "export/CTreeExporter.h"

#include "export/CExportJob.h"
#include "export/CaseWalk.h"
#include "model/SFileInfo.h"

namespace quillora {

// Keeps one bit per column (set: that level has lines to come below the current
// subtree) and, per open folder, how many of its folder children are still to come.
class CTreeExporter::CSink : public ICaseSink {
public:
    CSink(CTreeExporter& owner, bool force, CExportJob* job)
        : m_owner(owner), m_bForce(force), m_pJob(job) {}

    void Record(const SFileInfo& entry, int depth) override {
        m_owner.Progress(m_pJob);
        if (depth > 0 && IsContainerRecord(entry)) {
            SFolder& parent = m_folders[static_cast<std::size_t>(depth - 1)];
            // The last folder of a parent without files draws no bar below itself.
            if (++parent.m_nSeen == parent.m_nContainers && parent.m_nFiles == 0) {
                SetColumn(depth - 1, false);
            }
        }
        if (!m_bForce && !m_owner.IsTarget(entry)) {
            return;
        }
        m_owner.MakeItemLine(m_owner.m_line, entry);
        if (m_owner.m_line.Empty()) {
            return;
        }
        m_text = BranchMarks(depth, m_columns);
        m_text += m_owner.m_line.View();
        m_owner.WriteLine(m_text);
        m_owner.CountLine();
    }

    void EnterFolder(const SFileInfo& entry, int depth) override {
        SFolder folder;
        for (const auto& child : entry.Children()) {
            (IsContainerRecord(*child) ? folder.m_nContainers : folder.m_nFiles)++;
        }
        const auto d = static_cast<std::size_t>(depth);
        if (m_folders.size() <= d) {
            m_folders.resize(d + 1);
        }
        m_folders[d] = folder;
        if (folder.m_nFiles > 0 || folder.m_nContainers > 1) {
            SetColumn(depth, true);
        }
    }

    void LeaveFolder(const SFileInfo&, int depth) override { SetColumn(depth, false); }

private:
    struct SFolder {
        std::size_t m_nFiles = 0;
        std::size_t m_nContainers = 0;
        std::size_t m_nSeen = 0;
    };

    void SetColumn(int column, bool on) {
        const auto c = static_cast<std::size_t>(column);
        if (m_columns.size() <= c) {
            m_columns.resize(c + 1, false);
        }
        m_columns[c] = on;
    }

    CTreeExporter& m_owner;
    bool m_bForce;
    CExportJob* m_pJob;
    std::vector<bool> m_columns;
    std::vector<SFolder> m_folders;
    std::string m_text;
};

CTreeExporter::CTreeExporter(const CFormCondition& preset) : CListExporter(preset) {}

std::string CTreeExporter::BranchMarks(int level, const std::vector<bool>& columns) {
    std::string marks;
    marks.reserve(static_cast<std::size_t>(4 * level));
    for (int i = 0; i < level; ++i) {
        const auto c = static_cast<std::size_t>(i);
        if (i == level - 1) {
            marks += "  + ";
        } else if (c < columns.size() && columns[c]) {
            marks += "  | ";
        } else {
            marks += "    ";
        }
    }
    return marks;
}

void CTreeExporter::MakeTitleLine(CTextBuffer& buffer) {
    buffer.Clear();
}

bool CTreeExporter::Walk(const SFileInfo& start, bool descend, bool force, CExportJob* job) {
    CSink sink(*this, force, job);
    SWalkOptions options;
    options.m_order = EWalkOrder::ContainersFirst;
    options.m_nMaxDepth = descend ? -1 : 0;
    return WalkCase(start, sink, options, job);
}

bool CTreeExporter::WriteFileDocument(const SFileInfo& start, CExportJob* job) {
    return Walk(start, true, false, job);
}

void CTreeExporter::WriteClipboardDocument(const std::vector<const SFileInfo*>& entries,
                                           bool withSubfolders, bool force) {
    for (const SFileInfo* entry : entries) {
        if (entry) {
            Walk(*entry, withSubfolders, force, nullptr);
        }
    }
}

} // namespace quillora
