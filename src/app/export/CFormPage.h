// A page of the format-settings dialogs: it shows one preset's settings and takes them
// back. Pages work on whatever preset the dialog has selected, so switching presets only
// stores the pages into the old preset and loads them from the new one.
#pragma once

#include <QWidget>

namespace quillora {

class CFormPreset;

class CFormPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~CFormPage() override;

    virtual void LoadPreset(const CFormPreset& preset) = 0;
    // Writes the controls into the preset; false when a control holds a value the preset
    // cannot take (the page has told the user).
    virtual bool ApplyPreset(CFormPreset& preset) = 0;
};

} // namespace quillora
