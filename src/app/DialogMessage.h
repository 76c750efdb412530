// Messages the dialogs show while they stay open (a refused entry): through a message
// box, or through a sink the caller set instead (tests, or a front end of its own).
#pragma once

#include <QMessageBox>

#include <functional>
#include <string>

class QWidget;

namespace quillora {

using DialogMessageSink = std::function<void(const std::string& text)>;

// Shows `text` in a message box with `icon` over `parent`, or hands it to `sink`
// when one is set.
void ShowDialogMessage(QWidget* parent, const DialogMessageSink& sink, const std::string& text,
                       QMessageBox::Icon icon = QMessageBox::Warning);

// The caption every message box of the program carries.
inline constexpr const char* kMessageCaption = "Quillora";

} // namespace quillora
