// Mnemonic clashes of windows and menus.
#include "Mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

#include <map>

namespace quillora::test {

QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') {
            continue;
        }
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

QStringList MnemonicClashes(const QStringList& texts) {
    std::map<QChar, QStringList> byLetter;
    for (const QString& text : texts) {
        if (QChar letter = MnemonicOf(text); !letter.isNull()) {
            byLetter[letter] << text;
        }
    }
    QStringList clashes;
    for (const auto& [letter, owners] : byLetter) {
        if (owners.size() > 1) {
            clashes << owners.join(" / ");
        }
    }
    return clashes;
}

QStringList WindowMnemonicClashes(const QWidget& window) {
    QStringList texts;
    for (const auto* button : window.findChildren<QAbstractButton*>()) {
        texts << button->text();
    }
    for (const auto* label : window.findChildren<QLabel*>()) {
        if (label->buddy()) {
            texts << label->text();
        }
    }
    for (const auto* box : window.findChildren<QGroupBox*>()) {
        texts << box->title();
    }
    return MnemonicClashes(texts);
}

QStringList MenuMnemonicClashes(const QMenu& menu) {
    QStringList texts;
    QStringList clashes;
    for (QAction* action : menu.actions()) {
        if (!action->isVisible() || action->isSeparator()) {
            continue;
        }
        texts << action->text();
        if (QMenu* sub = action->menu()) {
            clashes << MenuMnemonicClashes(*sub);
        }
    }
    clashes << MnemonicClashes(texts);
    return clashes;
}

} // namespace quillora::test
