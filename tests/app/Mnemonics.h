// Mnemonic letters ("&F") that two controls of one window, or two entries of one menu,
// share: pressing such a letter cycles between them instead of acting.
#pragma once

#include <QString>
#include <QStringList>

namespace quillora::test {

// The mnemonic letter of a text (upper case), or a null character.
QChar MnemonicOf(const QString& text);

// The texts among `texts` whose mnemonic another text of the list has too.
QStringList MnemonicClashes(const QStringList& texts);

} // namespace quillora::test

class QMenu;
class QWidget;

namespace quillora::test {

// Clashes among the buttons and labels of a window.
QStringList WindowMnemonicClashes(const QWidget& window);
// Clashes among the visible entries of a menu and, recursively, of its submenus.
QStringList MenuMnemonicClashes(const QMenu& menu);

} // namespace quillora::test
