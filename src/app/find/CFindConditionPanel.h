// The find condition controls shared by the find dialog and the case-search dialog:
// method, name / category / comment with their histories, wildcard or regular
// expression, mark, letter case, and the size and date bounds.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace quillora {

struct SFindSettings;

class CFindConditionPanel : public QWidget {
    Q_OBJECT

public:
    explicit CFindConditionPanel(QWidget* parent = nullptr);

    // Fills the controls from the settings, the histories newest first.
    void Load(const SFindSettings& settings);
    // Copies the controls into the settings. A size field that is not an unsigned
    // 32-bit number, or a date field that is not "YYYY/MM/DD", keeps the setting's
    // previous value and adds a sentence to `problems`; a date out of range is
    // clamped and written back into its field.
    void Store(SFindSettings& settings, std::vector<std::string>& problems);
    // Refills the history lists (after a find added to them), keeping the texts.
    void LoadHistories(const SFindSettings& settings);

    void FocusName();

    QComboBox* NameBox() const { return m_pName; }
    QComboBox* CategoryBox() const { return m_pCategory; }
    QComboBox* CommentBox() const { return m_pComment; }
    QCheckBox* MarkBox() const { return m_pMark; }
    QCheckBox* UpperBox() const { return m_pUpper; }
    QRadioButton* MethodButton(int method) const;
    QRadioButton* WildButton() const { return m_pWild; }
    QRadioButton* RegexButton() const { return m_pRegex; }
    // The bound rows: 0 size, 1 creation date, 2 update date; low "から", high "まで".
    QCheckBox* BoundBox(int row, bool high) const;
    QLineEdit* BoundField(int row, bool high) const;

private:
    struct SBoundRow {
        QCheckBox* low = nullptr;
        QLineEdit* lowField = nullptr;
        QCheckBox* high = nullptr;
        QLineEdit* highField = nullptr;
    };

    static void FillHistory(QComboBox* box, const std::vector<std::string>& entries);

    QButtonGroup* m_pMethod = nullptr;
    QComboBox* m_pName = nullptr;
    QComboBox* m_pCategory = nullptr;
    QComboBox* m_pComment = nullptr;
    QRadioButton* m_pWild = nullptr;
    QRadioButton* m_pRegex = nullptr;
    QCheckBox* m_pMark = nullptr;
    QCheckBox* m_pUpper = nullptr;
    SBoundRow m_rows[3];
};

} // namespace quillora
