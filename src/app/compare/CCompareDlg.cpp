// The compare dialog.
#include "app/compare/CCompareDlg.h"

#include "app/compare/CompareListModel.h"
#include "app/media/CCDInsertDlg.h"
#include "core/Resources.h"
#include "document/CCaseDocument.h"
#include "model/MediumPath.h"
#include "model/SVolumeInfo.h"
#include "search/MediaCompare.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora {

namespace {

QString Text(int id) {
    return QString::fromUtf8(Res(id));
}

} // namespace

CCompareDlg::CCompareDlg(int mode, const SVolumeInfo& caseMedium, const SVolumeInfo* tree,
                         QWidget* parent, Scanner scanner)
    : QDialog(parent), m_mode(mode), m_caseMedium(caseMedium), m_tree(tree),
      m_scanner(std::move(scanner)) {
    setWindowTitle(Text(CompareTitle(mode)));
    auto* layout = new QVBoxLayout(this);
    m_hint = new QLabel(Text(CompareHint(mode)), this);
    m_hint->setObjectName("hint");
    layout->addWidget(m_hint);

    m_model = new CompareListModel(mode, this);
    m_list = new QTreeView(this);
    m_list->setObjectName("results");
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setModel(m_model);
    const QFontMetrics metrics = m_list->fontMetrics();
    QHeaderView* header = m_list->header();
    header->resizeSection(CompareListModel::kName,
                          metrics.horizontalAdvance(QStringLiteral("MMMMMMMMMMMMMMMMM ")));
    // The width of a sample time; here the year has four digits, so the sample is
    // widened to hold a whole time of this format.
    const int timeWidth =
        std::max(metrics.horizontalAdvance(QStringLiteral("98/12/12 10:10:10***")),
                 metrics.horizontalAdvance(QStringLiteral("0000/00/00 00:00:00**")));
    header->resizeSection(CompareListModel::kFirstTime, timeWidth);
    header->resizeSection(CompareListModel::kSecondTime, timeWidth);
    header->resizeSection(CompareListModel::kResult, 160);
    header->resizeSection(CompareListModel::kLocation, 200);
    // Wide enough to show every column without scrolling.
    m_list->setMinimumSize(header->length() + 2 * m_list->frameWidth() + 4, 260);
    layout->addWidget(m_list, 1);

    m_guidance = new QLabel(QString::fromUtf8("ガイダンス"), this);
    m_guidance->setObjectName("guidance");
    m_guidance->setWordWrap(true);
    layout->addWidget(m_guidance);

    auto* buttons = new QDialogButtonBox(this);
    if (mode == kCompareMediaImport) {
        m_update = buttons->addButton(QString::fromUtf8("更新"), QDialogButtonBox::AcceptRole);
        connect(m_update, &QPushButton::clicked, this, &QDialog::accept);
    }
    m_close =
        buttons->addButton(mode == kCompareMediaImport ? Text(519) : QString::fromUtf8("閉じる"),
                           QDialogButtonBox::RejectRole);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    // The two comparisons are started through buttons the user never sees.
    m_startMediaCase =
        buttons->addButton(QString::fromUtf8("ﾒﾃﾞｨｱ-ｹｰｽ比較"), QDialogButtonBox::ActionRole);
    m_startCaseLink =
        buttons->addButton(QString::fromUtf8("ｹｰｽ-ﾘﾝｸ先比較"), QDialogButtonBox::ActionRole);
    m_startMediaCase->setObjectName("compareMediaCase");
    m_startCaseLink->setObjectName("compareCaseLink");
    m_startMediaCase->hide();
    m_startCaseLink->hide();
    // Enter closes (in mode 3: declines the import); it never starts a comparison.
    for (QPushButton* button : {m_startMediaCase, m_startCaseLink, m_update}) {
        if (button) {
            button->setAutoDefault(false);
        }
    }
    m_close->setDefault(true);
    connect(m_startMediaCase, &QPushButton::clicked, this, &CCompareDlg::CompareMediaCase);
    connect(m_startCaseLink, &QPushButton::clicked, this, &CCompareDlg::CompareCaseLink);
    layout->addWidget(buttons);
}

CCompareDlg::~CCompareDlg() = default;

bool CCompareDlg::ConfirmImport(QWidget* parent, const SVolumeInfo& caseMedium,
                                const SVolumeInfo& imported) {
    CCompareDlg dialog(kCompareMediaImport, caseMedium, &imported, parent);
    return dialog.exec() == QDialog::Accepted;
}

const CompareRows& CCompareDlg::Rows() const {
    return m_model->Rows();
}

QString CCompareDlg::Guidance() const {
    return m_guidance->text();
}

QString CCompareDlg::Hint() const {
    return m_hint->text();
}

void CCompareDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bStarted) {
        return;
    }
    m_bStarted = true;
    SetBusy(true);
    m_guidance->setText(Text(231));
    QPushButton* start = m_mode == kCompareCaseLink ? m_startCaseLink : m_startMediaCase;
    QTimer::singleShot(0, start, &QPushButton::click);
}

void CCompareDlg::SetBusy(bool busy) {
    m_bBusy = busy;
    m_close->setEnabled(!busy);
    if (m_update) {
        m_update->setEnabled(!busy);
    }
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void CCompareDlg::reject() {
    // Escape and the title bar's close wait like "閉じる" does.
    if (!m_bBusy) {
        QDialog::reject();
    }
}

void CCompareDlg::Finish(CompareRows rows, bool cancelled) {
    m_bCancelled = cancelled;
    m_guidance->setText(Text(CompareGuidance(m_mode, rows, cancelled)));
    m_model->SetRows(std::move(rows));
    if (m_model->rowCount() > 0) {
        m_list->scrollTo(m_model->index(m_model->rowCount() - 1, 0));
    }
    SetBusy(false);
}

void CCompareDlg::CompareMediaCase() {
    SetBusy(true);
    const SVolumeInfo* other = m_tree;
    std::unique_ptr<SVolumeInfo> scanned;
    if (!other) {
        const std::string osPath = MediumOsFolder(m_caseMedium);
        if (!osPath.empty()) {
            scanned = m_scanner ? m_scanner(osPath)
                                : CCDInsertDlg::Run(this, osPath, nullptr, nullptr, kAddRescan);
        }
        other = scanned.get();
    }
    if (!other) {
        Finish({}, true);
        return;
    }
    // The scanned tree goes when this function ends; the rows keep their own texts.
    Finish(CompareMediumWithCase(m_caseMedium, *other), false);
}

void CCompareDlg::CompareCaseLink() {
    SetBusy(true);
    Finish(CompareCaseWithLinks(m_caseMedium), false);
}

} // namespace quillora
