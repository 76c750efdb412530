// The end sound, through the desktop's sound player.
#include "app/media/EndSound.h"

#include <QProcess>
#include <QStandardPaths>

namespace quillora {

bool PlaySoundDetached(const std::string& soundFile) {
    if (soundFile.empty()) {
        return false;
    }
    for (const char* player : {"paplay", "aplay"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(player));
        if (program.isEmpty()) {
            continue;
        }
        // An argument vector, never a shell line: the file name may hold anything.
        return QProcess::startDetached(program, {QString::fromStdString(soundFile)});
    }
    return false;
}

} // namespace quillora
