// Messages of the dialogs.
#include "app/DialogMessage.h"

namespace quillora {

void ShowDialogMessage(QWidget* parent, const DialogMessageSink& sink, const std::string& text,
                       QMessageBox::Icon icon) {
    if (sink) {
        sink(text);
        return;
    }
    QMessageBox box(icon, QString::fromUtf8(kMessageCaption), QString::fromStdString(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace quillora
