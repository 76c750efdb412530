// The program's 16-pixel icons, drawn in code at start-up: the tree strip, the list
// strip (the fixed display types plus the file icons met at run time) and the marks.
#pragma once

#include <QIcon>
#include <QPixmap>

#include <vector>

namespace quillora {

class CIconFactory {
public:
    // Tree strip indices: case 1/2 (closed/expanded), CD-ROM 4-7, folder 8-11,
    // removable 12-15, listed archive 16-19, group 20-21, fixed 22-23, remote 24-25.
    static constexpr int kTreeImages = 26;
    // List strip: the images of the fixed display types (CDisplayTypeTable).
    static constexpr int kListImages = 12;
    // The size of a list icon: the state image's cell and the icon's.
    static constexpr int kListIconWidth = 32;
    static constexpr int kListIconHeight = 16;

    // The process-wide set; made on first use (a QGuiApplication must exist).
    static CIconFactory& Instance();

    const QPixmap& Tree(int index) const;
    const QPixmap& List(int index) const;
    // State image 1 is the mark drawn before a marked record's icon in the views, 2 the
    // mark of the result lists; 0 is empty.
    const QPixmap& State(int index) const;

    // The tool bar's own pictures, one distinct shape per command.
    enum ToolImage { kToolNew, kToolOpen, kToolSave, kToolAdd, kToolCheck, kToolEject, kTools };
    const QPixmap& Tool(ToolImage image) const;

    // Appends a run-time list image (a system file icon) and returns its index.
    int AddListImage(const QPixmap& pixmap);
    int ListSize() const { return static_cast<int>(m_list.size()); }

    // The tree icon with its selected image as the icon's Selected mode.
    QIcon TreeIcon(int normal, int selected) const;
    // The list icon (32 x 16): the mark's cell, empty unless `marked`, then the icon.
    QIcon ListIcon(int index, bool marked) const;
    // The list icon with state image `state` (0-2) before it.
    QIcon ListIconWithState(int index, int state) const;

private:
    CIconFactory();
    void DrawTree();
    void DrawList();
    void DrawTools();

    std::vector<QPixmap> m_tree;
    std::vector<QPixmap> m_list;
    std::vector<QPixmap> m_state;
    std::vector<QPixmap> m_tools;
    mutable std::vector<QIcon> m_listIcons[3];
};

} // namespace quillora
