// COptionPage: one page of the options sheet. A page copies its settings from the
// configuration when it is made and writes them back only when the sheet closes with OK.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillora {

class CConfigData;

// How the sheet asks and tells the user; each hook defaults to a real dialog, and tests
// or other front ends answer instead.
struct SOptionHooks {
    // A folder picker with its title, starting at `start`; nullopt when cancelled.
    std::function<std::optional<std::string>(QWidget* parent, const QString& title,
                                             const std::string& start)>
        pickFolder;
    // The sound file picker ("*.wav"); nullopt when cancelled.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& start)> pickSound;
    // A warning with the exclamation icon under `caption`.
    std::function<void(QWidget* parent, const QString& caption, const std::string& text)> warn;
    // A Yes/No question with the question icon.
    std::function<bool(QWidget* parent, const std::string& text)> ask;

    // The hooks that are not set get their dialogs.
    SOptionHooks WithDefaults() const;
};

class COptionPage : public QWidget {
    Q_OBJECT
public:
    COptionPage(const char* caption, const SOptionHooks& hooks, QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    // Writes the controls into the configuration (OK).
    virtual void Apply(CConfigData& config) = 0;
    // Whether the page may be left (another tab, or OK); a page that refuses has told
    // the user why and holds the focus where the problem is.
    virtual bool CanLeave() { return true; }

protected:
    // A check box named after its key (the tests find controls by key).
    QCheckBox* AddCheck(const char* text, const char* key, int value);
    // A folder edit with its "参照(&R)..." button that opens the folder picker titled
    // "保存先ﾌｫﾙﾀﾞの指定"; both follow `mode`'s check state.
    QWidget* FolderRow(QCheckBox* mode, QLineEdit*& edit, const char* key,
                       const std::string& folder);

    const SOptionHooks& Hooks() const { return m_hooks; }

private:
    QString m_caption;
    const SOptionHooks& m_hooks;
};

// "保存先ﾌｫﾙﾀﾞの指定": the folder picker's title on the save and extraction pages.
inline constexpr const char* kFolderPickerTitle = "保存先ﾌｫﾙﾀﾞの指定";

} // namespace quillora
