// "設定" of the print dialog: which rows are printed and on which printer.
#pragma once

#include "app/export/CFormPage.h"

#include <QStringList>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace quillora {

class CPrintSetPage : public CFormPage {
    Q_OBJECT
public:
    // `printers` as CUPS lists them; `properties` runs the named printer's own settings
    // dialog over the preset being edited.
    CPrintSetPage(QStringList printers, QWidget* parent = nullptr);

    void LoadPreset(const CFormPreset& preset) override;
    bool ApplyPreset(CFormPreset& preset) override;

    QComboBox* PrinterCombo() const { return m_printer; }
    QPushButton* PropertiesButton() const { return m_properties; }

signals:
    void Changed();

private:
    std::array<QRadioButton*, 3> m_target{};
    QCheckBox* m_subFolder;
    QCheckBox* m_rowsMode;
    QSpinBox* m_rows;
    QComboBox* m_printer;
    QPushButton* m_properties;
};

} // namespace quillora
