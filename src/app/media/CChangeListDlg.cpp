// The change list window over CChangeListModel.
#include "app/media/CChangeListDlg.h"

#include "app/media/CChangeListModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora {

namespace {

constexpr const char* kCaption = "変更一覧";

void ToClipboard(const std::string& text) {
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace

CChangeListDlg::CChangeListDlg(const CMediumChanges& changes, const std::string& label,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(label.empty() ? QString::fromUtf8(kCaption)
                                 : QString::fromStdString(std::string(kCaption) + " - " + label));
    m_model = new CChangeListModel(changes, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QString::fromUtf8("列の見出しをｸﾘｯｸすると並べ替えます。ﾊﾟｽはﾒﾃﾞｨｱ内のものです。"), this));
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    // One line of text a row, as the program's other lists have.
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->horizontalHeader()->setSectionResizeMode(CChangeListModel::kKind,
                                                     QHeaderView::ResizeToContents);
    m_view->horizontalHeader()->setSectionResizeMode(CChangeListModel::kPath, QHeaderView::Stretch);
    m_view->horizontalHeader()->setSectionResizeMode(CChangeListModel::kFrom, QHeaderView::Stretch);
    m_view->horizontalHeader()->setSortIndicator(CChangeListModel::kKind, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    m_view->installEventFilter(this);
    layout->addWidget(m_view, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QString::fromUtf8("%1 件").arg(m_model->rowCount()), this));
    bottom->addStretch(1);
    auto* copy = new QPushButton(QString::fromUtf8("ｺﾋﾟｰ(&C)"), this);
    auto* close = new QPushButton(QString::fromUtf8("閉じる"), this);
    close->setDefault(true);
    bottom->addWidget(copy);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    connect(copy, &QPushButton::clicked, this, &CChangeListDlg::CopyAll);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(720, 420);
}

void CChangeListDlg::CopyAll() {
    ToClipboard(m_model->Text());
}

void CChangeListDlg::CopySelected() {
    std::vector<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    if (rows.empty()) {
        return;
    }
    std::sort(rows.begin(), rows.end());
    ToClipboard(m_model->Text(rows));
}

bool CChangeListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillora
