// The "項目" page of every format-settings dialog and of printing: the items offered and
// the items written, in order, with buttons that move them between the lists.
#pragma once

#include "app/export/CFormPage.h"
#include "export/FormItem.h"

class QListWidget;
class QPushButton;

namespace quillora {

class CFormItemsPage : public CFormPage {
    Q_OBJECT
public:
    explicit CFormItemsPage(QWidget* parent = nullptr);

    void LoadPreset(const CFormPreset& preset) override;
    bool ApplyPreset(CFormPreset& preset) override;

    // The buttons' actions, on the selected rows.
    void AddSelected();    // offered -> end of written
    void RemoveSelected(); // written -> end of offered
    void AddAll();
    void MoveUp();
    void MoveDown();

    const FormItemList& Offered() const { return m_offered; }
    const FormItemList& Written() const { return m_written; }
    QListWidget* OfferedList() const { return m_offeredList; }
    QListWidget* WrittenList() const { return m_writtenList; }

private:
    void Fill(const std::vector<int>& offeredRows, const std::vector<int>& writtenRows);
    void UpdateButtons();
    void Move(int delta);

    FormItemList m_offered;
    FormItemList m_written;
    QListWidget* m_offeredList = nullptr;
    QListWidget* m_writtenList = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_addAll = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
};

} // namespace quillora
