// CIndexSearchPanel: the list under the main window's search field: the hits of the
// index of every case with case, medium, path, size, date and a mark for media in a
// drive now. Enter or a double click asks for a hit to be opened.
#pragma once

#include "index/SLocateHit.h"

#include <QTreeWidget>

#include <vector>

namespace quillora {

class CIndexSearchPanel : public QTreeWidget {
    Q_OBJECT

public:
    explicit CIndexSearchPanel(QWidget* parent = nullptr);

    // Shows these hits (the previous ones go); `problem`, when not empty, as one row.
    void ShowHits(const std::vector<SLocateHit>& hits, const QString& problem);
    // The hit of the current row, or of the first row; null when there is none.
    const SLocateHit* ChosenHit() const;

signals:
    void OpenRequested(const quillora::SLocateHit& hit);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<SLocateHit> m_hits;
};

} // namespace quillora
