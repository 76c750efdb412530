// "ｺﾒﾝﾄ抽出設定" (dialog 494): the settings of each configurable extractor, chosen in
// "ﾌｨﾙﾀ(&F) :", on two pages: what is extracted (page 495) and how the text is cleaned
// up (page 496). It works on copies; OK copies the settings back, Cancel drops them.
#pragma once

#include <QDialog>

#include <memory>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSpinBox;
class QTabWidget;

namespace quillora {

class CExtractTextManager;
class CTextExtractor;

class CCommentSettingsDlg : public QDialog {
    Q_OBJECT
public:
    CCommentSettingsDlg(CExtractTextManager& extractors, QWidget* parent = nullptr);
    ~CCommentSettingsDlg() override;

    // Shows the dialog; true when the user confirmed (the settings are then taken).
    static bool Edit(QWidget* parent, CExtractTextManager& extractors);

    // The copy being shown (tests).
    CTextExtractor& Current();
    // Selects the extractor of this index of the combo box.
    void Select(int index);

    void accept() override;

private:
    void Show(const CTextExtractor& extractor);
    void Store(CTextExtractor& extractor) const;
    void UpdateEnabling();

    CExtractTextManager& m_extractors;
    std::vector<CTextExtractor*> m_originals;
    std::vector<std::unique_ptr<CTextExtractor>> m_copies;
    int m_current = -1;

    QComboBox* m_filter = nullptr;
    QCheckBox* m_enable = nullptr;
    QLabel* m_version = nullptr;
    QTabWidget* m_pages = nullptr;
    QCheckBox* m_propUse = nullptr;
    QGroupBox* m_targetGroup = nullptr;
    QButtonGroup* m_targets = nullptr;
    QSpinBox* m_size = nullptr;
    QSpinBox* m_lines = nullptr;
    QGroupBox* m_spaceGroup = nullptr;
    QButtonGroup* m_spaces = nullptr;
    QGroupBox* m_lineEndGroup = nullptr;
    QButtonGroup* m_lineEnds = nullptr;
    QCheckBox* m_delEmptyLine = nullptr;
    QCheckBox* m_mapHankaku = nullptr;
    QCheckBox* m_mapOubun = nullptr;
    QCheckBox* m_mapEibun = nullptr;
};

} // namespace quillora
