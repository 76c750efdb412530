// The hit list of the index search field.
#include "app/find/CIndexSearchPanel.h"

#include "core/FileTime.h"
#include "model/DisplayName.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace quillora {

namespace {

enum EColumn { kCase, kMedium, kPath, kSize, kDate, kPresent };

} // namespace

CIndexSearchPanel::CIndexSearchPanel(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("IndexSearchPanel");
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setHeaderLabels({QString::fromUtf8("ｹｰｽ"), QString::fromUtf8("ﾒﾃﾞｨｱ"), QString::fromUtf8("ﾊﾟｽ"),
                     QString::fromUtf8("ｻｲｽﾞ"), QString::fromUtf8("更新日時"),
                     QString::fromUtf8("装着")});
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
        const int row = indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<std::size_t>(row) < m_hits.size()) {
            emit OpenRequested(m_hits[static_cast<std::size_t>(row)]);
        }
    });
}

void CIndexSearchPanel::ShowHits(const std::vector<SLocateHit>& hits, const QString& problem) {
    clear();
    m_hits = hits;
    QList<QTreeWidgetItem*> items;
    for (const SLocateHit& h : m_hits) {
        auto* item = new QTreeWidgetItem;
        item->setText(kCase, QString::fromStdString(h.m_strCase));
        item->setText(kMedium, QString::fromStdString(h.m_strMedium));
        item->setText(kPath, QString::fromStdString(h.m_strPath + (h.m_bFolder ? "\\" : "")));
        item->setText(kSize, QString::fromStdString(FormatGrouped(h.m_nSize)));
        item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kDate, h.m_ftLastWrite == 0
                                 ? QString()
                                 : QString::fromStdString(FileTimeToIso8601(h.m_ftLastWrite))
                                       .left(19)
                                       .replace('T', ' '));
        item->setText(kPresent, h.m_bPresent ? QString::fromUtf8("●") : QString());
        items.push_back(item);
    }
    if (!problem.isEmpty()) {
        auto* item = new QTreeWidgetItem;
        item->setText(kCase, problem);
        item->setFlags(Qt::NoItemFlags);
        items.push_back(item);
    }
    addTopLevelItems(items);
    if (!m_hits.empty()) {
        setCurrentItem(topLevelItem(0));
    }
}

const SLocateHit* CIndexSearchPanel::ChosenHit() const {
    if (m_hits.empty()) {
        return nullptr;
    }
    const int row = currentItem() ? indexOfTopLevelItem(currentItem()) : 0;
    return row >= 0 && static_cast<std::size_t>(row) < m_hits.size()
               ? &m_hits[static_cast<std::size_t>(row)]
               : &m_hits.front();
}

void CIndexSearchPanel::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ChosenHit()) {
        emit OpenRequested(*ChosenHit());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace quillora
