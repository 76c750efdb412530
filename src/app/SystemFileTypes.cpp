// Resolves file types through QMimeDatabase and the icon theme.
#include "app/SystemFileTypes.h"

#include "app/IconFactory.h"

#include <QIcon>
#include <QLocale>
#include <QMimeDatabase>

namespace quillora {

namespace {

// QMimeType::comment() answers in the default locale's languages.
QString JapaneseComment(const QMimeType& mime) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QString comment = mime.comment();
    QLocale::setDefault(before);
    return comment;
}

} // namespace

void CSystemFileTypes::Install() {
    static CSystemFileTypes resolver;
    DisplayTypes().SetResolver(&resolver);
}

bool CSystemFileTypes::Resolve(std::string_view extension, SDisplayType& type) {
    if (extension.empty()) {
        return false;
    }
    QMimeDatabase db;
    const QString name =
        QStringLiteral("x") +
        QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size())).toLower();
    const QMimeType mime = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!mime.isValid() || mime.isDefault()) {
        return false;
    }
    type.m_strTypeText = JapaneseComment(mime).toStdString();
    QIcon icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    CIconFactory& icons = CIconFactory::Instance();
    type.m_nImage = icon.isNull() ? 9 : icons.AddListImage(icon.pixmap(16, 16));
    return true;
}

} // namespace quillora
