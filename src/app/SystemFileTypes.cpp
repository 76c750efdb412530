// Resolves file types through QMimeDatabase and QFileIconProvider.
#include "app/SystemFileTypes.h"

#include "app/IconFactory.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>

namespace quillora {

void CSystemFileTypes::Install() {
    static CSystemFileTypes resolver;
    DisplayTypes().SetResolver(&resolver);
}

bool CSystemFileTypes::Resolve(std::string_view extension, const std::string& osPath,
                               SDisplayType& type) {
    QMimeDatabase db;
    QMimeType mime;
    QString path = QString::fromStdString(osPath);
    if (!osPath.empty() && QFileInfo(path).isFile()) {
        mime = db.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    } else if (!extension.empty()) {
        QString name =
            QStringLiteral("x") +
            QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size())).toLower();
        mime = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    }
    if (!mime.isValid() || mime.isDefault()) {
        return false;
    }
    type.m_strTypeText = mime.comment().toStdString();
    QIcon icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    if (icon.isNull() && !osPath.empty()) {
        icon = QFileIconProvider().icon(QFileInfo(path));
    }
    CIconFactory& icons = CIconFactory::Instance();
    type.m_nImage = icon.isNull() ? 9 : icons.AddListImage(icon.pixmap(16, 16));
    return true;
}

} // namespace quillora
