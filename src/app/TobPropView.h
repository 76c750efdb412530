// The property view below the tree: the selected record's general facts (with a
// picture of image files whose medium is in a drive), its comment and category, and
// its extracted properties, on three tabs.
#pragma once

#include <QTabWidget>

#include <functional>
#include <string>

class QFormLayout;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;

namespace quillora {

class SFileInfo;

class CTobPropView : public QTabWidget {
    Q_OBJECT
public:
    enum Tab { kGeneral = 0, kComment = 1, kProperties = 2 };

    explicit CTobPropView(QWidget* parent = nullptr);

    // Shows the record (null: nothing). The record must stay alive while shown;
    // call again with null before it is deleted.
    void ShowRecord(SFileInfo* record);
    SFileInfo* Record() const { return m_pRecord; }
    // Whether a picture is shown for the current record.
    bool HasPicture() const;
    // Where the titles of properties come from: the title of item `key` of the
    // extractor named `definition` (empty when unknown). Without it, or for an
    // unknown item, the common title of the key is shown.
    using TitleSource = std::function<std::string(const std::string& definition, int key)>;
    void SetTitleSource(TitleSource source) { m_titles = std::move(source); }

private:
    void FillGeneral(SFileInfo& record);
    void FillPicture(SFileInfo& record);
    void AddRow(const QString& name, const QString& value);

    SFileInfo* m_pRecord = nullptr;
    QFormLayout* m_pForm;
    QLabel* m_pPicture;
    QPlainTextEdit* m_pComment;
    QTreeWidget* m_pProps;
    TitleSource m_titles;
};

} // namespace quillora
