// The same-medium dialog.
#include "app/media/CMediaSelectDlg.h"

#include "app/MediaIcons.h"
#include "app/media/AddMediaDriveRows.h"
#include "core/Resources.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <vector>

namespace quillora {

namespace {

int ImageIndexOf(const SFileInfo& medium) {
    switch (medium.MediumKind()) {
    case kFlagCdRom:
        return 4;
    case kFlagRemovable:
        return 12;
    case kFlagRemote:
        return 24;
    default:
        return 22;
    }
}

QLabel* SelectableLabel(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CMediaSelectDlg::CMediaSelectDlg(const SMediaSelectRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setWindowTitle(QString::fromUtf8("ﾒﾃﾞｨｱ選択 <ｹｰｽ内に同一ﾒﾃﾞｨｱが存在します。>"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("名前 :"), SelectableLabel(request.m_strLabel, this));
    form->addRow(QString::fromUtf8("ｵﾘｼﾞﾅﾙ名 :"), SelectableLabel(request.m_strDriveName, this));
    // The serial reads as it does in the rows below and everywhere else ("0000-0000"):
    // a space-padded low half looked like a broken number.
    QLabel* serial = SelectableLabel(SerialText(request.m_dwSerial), this);
    serial->setObjectName("Serial");
    form->addRow(QString::fromUtf8("ｼﾘｱﾙ番号 :"), serial);
    layout->addLayout(form);

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({QString::fromUtf8(Res(511)), QString::fromUtf8(Res(512)),
                             QString::fromUtf8(Res(515)), QString::fromUtf8(Res(546))});
    m_list->setMinimumSize(520, 180);
    for (std::size_t index = 0; index < request.m_candidates.size(); ++index) {
        const SVolumeInfo* medium = request.m_candidates[index];
        if (medium == nullptr) {
            continue;
        }
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromStdString(medium->GetDisplayName()));
        item->setText(1, QString::fromStdString(medium->m_strOrgLabel));
        item->setText(2, QString::fromStdString(SerialText(medium->m_dwSerial)));
        item->setText(3, QString::fromStdString(GroupPath(*medium)));
        item->setIcon(0, MediaImageIcon(ImageIndexOf(*medium)));
        item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(index)));
    }
    m_list->header()->resizeSection(0, 160);
    if (m_list->topLevelItemCount() > 0) {
        m_list->setCurrentItem(m_list->topLevelItem(0));
    }
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* update = buttons->addButton(QString::fromUtf8("更新(&U)"), QDialogButtonBox::AcceptRole);
    auto* add = buttons->addButton(QString::fromUtf8("追加(&A)"), QDialogButtonBox::ActionRole);
    auto* cancel = buttons->addButton(QString::fromUtf8("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    update->setDefault(true);
    connect(update, &QPushButton::clicked, this, &CMediaSelectDlg::ChooseUpdate);
    connect(add, &QPushButton::clicked, this, &CMediaSelectDlg::ChooseAdd);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}

SMediaSelectAnswer CMediaSelectDlg::Run(QWidget* parent, const SMediaSelectRequest& request) {
    CMediaSelectDlg dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.Answer();
}

void CMediaSelectDlg::ChooseUpdate() {
    const auto* item = m_list->currentItem();
    if (item == nullptr || !item->isSelected()) {
        ShowDialogMessage(this, m_sink, Res(513), QMessageBox::Warning);
        return;
    }
    m_answer.m_kind = SMediaSelectAnswer::Update;
    const auto index = static_cast<std::size_t>(item->data(0, Qt::UserRole).toULongLong());
    m_answer.m_pMedium = m_request.m_candidates.at(index);
    accept();
}

void CMediaSelectDlg::ChooseAdd() {
    m_answer.m_kind = SMediaSelectAnswer::Add;
    m_answer.m_pMedium = nullptr;
    accept();
}

std::string CMediaSelectDlg::GroupPath(const SFileInfo& record) {
    std::vector<const SVolumeInfo*> groups;
    for (const SFileInfo* parent = record.GetParent(); parent != nullptr;
         parent = parent->GetParent()) {
        if (parent->Class() == RecordClass::Group) {
            groups.push_back(static_cast<const SVolumeInfo*>(parent));
        }
    }
    std::string path;
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        if (!path.empty()) {
            path += '\\';
        }
        path += (*it)->GetLabel();
    }
    return path;
}

} // namespace quillora
