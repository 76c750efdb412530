// Property view.
#include "app/TobPropView.h"

#include "extract/PropertyTitles.h"

#include "app/DisplayColumns.h"
#include "core/Text.h"
#include "model/CDisplayTypeTable.h"
#include "model/SVolumeInfo.h"
#include "model/StoredContents.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillora {

namespace {

// Pictures larger than this are not decoded for the preview.
constexpr qint64 kMaxPictureBytes = 64LL << 20;
constexpr int kPictureSize = 160;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CTobPropView::CTobPropView(QWidget* parent) : QTabWidget(parent) {
    auto* general = new QWidget;
    auto* column = new QVBoxLayout(general);
    m_pForm = new QFormLayout;
    m_pForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    column->addLayout(m_pForm);
    m_pPicture = new QLabel;
    m_pPicture->setAlignment(Qt::AlignCenter);
    m_pPicture->hide();
    column->addWidget(m_pPicture);
    column->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(general);
    addTab(scroll, QString::fromUtf8("全般"));

    m_pComment = new QPlainTextEdit;
    m_pComment->setReadOnly(true);
    addTab(m_pComment, QString::fromUtf8("ｺﾒﾝﾄ"));

    m_pProps = new QTreeWidget;
    m_pProps->setColumnCount(2);
    m_pProps->setHeaderLabels({QString::fromUtf8("項目"), QString::fromUtf8("値")});
    m_pProps->setRootIsDecorated(false);
    addTab(m_pProps, QString::fromUtf8("ﾌﾟﾛﾊﾟﾃｨ"));
}

void CTobPropView::AddRow(const QString& name, const QString& value) {
    auto* label = new QLabel(value);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    m_pForm->addRow(name, label);
}

void CTobPropView::ShowRecord(SFileInfo* record) {
    m_pRecord = record;
    while (m_pForm->rowCount() > 0) {
        m_pForm->removeRow(0);
    }
    m_pPicture->clear();
    m_pPicture->hide();
    m_pComment->clear();
    m_pProps->clear();
    if (!record) {
        return;
    }
    FillGeneral(*record);
    FillPicture(*record);
    QString comment;
    if (!record->Category().empty()) {
        comment = QString::fromUtf8("分類 : ") + Q(record->Category()) + "\n\n";
    }
    comment += Q(text::ToLf(record->Comment()));
    m_pComment->setPlainText(comment);
    if (const CPropertySet* props = record->Props()) {
        const auto& values = props->Values();
        const CPropertyDefinition* definition = props->Definition();
        for (std::size_t i = 0; i < values.size(); ++i) {
            int key = definition && i < definition->m_itemKeys.size() ? definition->m_itemKeys[i]
                                                                      : static_cast<int>(i + 1);
            std::string title = m_titles && !(definition && definition->m_bAdopted)
                                    ? m_titles(props->DefinitionName(), key)
                                    : std::string();
            if (title.empty() && !(definition && definition->m_bAdopted)) {
                title = CPropertyTitles::Title(key);
            }
            QString name = !title.empty() ? Q(title)
                           : key >= 1 && key <= 11
                               ? QString::fromUtf8(CDisplayColumns::Title(20 + key))
                               : QString::number(key);
            new QTreeWidgetItem(m_pProps, {name, Q(values[i])});
        }
    }
}

void CTobPropView::FillGeneral(SFileInfo& record) {
    AddRow(QString::fromUtf8("名前"), Q(record.GetDisplayName()));
    AddRow(QString::fromUtf8("ﾌｧｲﾙの種類"), Q(CDisplayColumns::ValueText(record, 2)));
    if (record.HasFlags(kFlagMedium | kFlagGroup)) {
        auto& volume = static_cast<SVolumeInfo&>(record);
        AddRow(QString::fromUtf8("ﾗﾍﾞﾙ名"), Q(volume.GetLabel()));
        AddRow(QString::fromUtf8("ｵﾘｼﾞﾅﾙ名"), Q(volume.GetOrgLabel()));
        if (record.HasFlags(kFlagMedium)) {
            AddRow(QString::fromUtf8("ﾌｧｲﾙｼｽﾃﾑ"), Q(volume.GetVolText2()));
            AddRow(QString::fromUtf8("ｼﾘｱﾙ番号"), Q(volume.FormatSerial()));
            AddRow(QString::fromUtf8("合計ｻｲｽﾞ"), Q(volume.FormatTotal()));
            AddRow(QString::fromUtf8("空き領域"), Q(volume.FormatFree()));
        }
    } else if (!record.HasFlags(kFlagCase)) {
        AddRow(QString::fromUtf8("場所"), Q(CDisplayColumns::ValueText(record, 14)));
    }
    AddRow(QString::fromUtf8("ｻｲｽﾞ"), Q(CDisplayColumns::ValueText(record, 1)));
    if (record.IsDirectory()) {
        AddRow(QString::fromUtf8("総ﾌｧｲﾙ数"), QString::number(record.CountFiles(true)));
        AddRow(QString::fromUtf8("総ﾌｫﾙﾀﾞ数"), QString::number(record.CountFolders(true)));
    }
    if (!record.HasFlags(kFlagCase | kFlagGroup)) {
        AddRow(QString::fromUtf8("作成日付"), Q(CDisplayColumns::DateText(record.m_ftCreation)));
        AddRow(QString::fromUtf8("更新日付"), Q(CDisplayColumns::DateText(record.m_ftLastWrite)));
        AddRow(QString::fromUtf8("属性"), Q(record.AttributeText()));
    }
    if (!record.Link().empty()) {
        AddRow(QString::fromUtf8("ﾘﾝｸ先"), Q(record.Link()));
    }
}

void CTobPropView::FillPicture(SFileInfo& record) {
    if (record.IsDirectory() || record.HasFlags(kFlagMedium | kFlagGroup | kFlagCase) ||
        record.IsInsideArchive()) {
        return;
    }
    const SVolumeInfo* medium = record.EnclosingMedium();
    if (!medium || !medium->m_bPresent) {
        return;
    }
    QString path = Q(RecordOsPath(record));
    if (path.isEmpty()) {
        return;
    }
    QImageReader reader(path);
    if (!reader.canRead() || reader.size().isEmpty() || record.m_nSize > kMaxPictureBytes) {
        return;
    }
    QSize size = reader.size().scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio);
    reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) {
        return;
    }
    m_pPicture->setPixmap(QPixmap::fromImage(image));
    m_pPicture->show();
}

bool CTobPropView::HasPicture() const {
    return !m_pPicture->isHidden() && !m_pPicture->pixmap().isNull();
}

} // namespace quillora
