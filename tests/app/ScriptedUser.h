// A user at the keyboard for GUI tests: answers whatever modal window shows up (the
// add dialog, message boxes, file dialogs, the loading dialog's final state) from a script and
// records what was asked.
#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quillora::test {

class CScriptedUser {
public:
    CScriptedUser();

    // The add dialogs to answer, in order: a folder to add (empty: Cancel).
    std::deque<std::string> m_addFolders;
    std::vector<int> m_addTabs; // the tab each add dialog opened on
    std::vector<std::string> m_addDrives;

    // Message box answers in order; when none is left, the default button.
    std::deque<QMessageBox::StandardButton> m_answers;
    std::vector<QString> m_messages;

    // Loading dialogs that ended showing what was skipped or changed: what each said
    // (its path line); each is answered OK.
    std::vector<QString> m_scanReports;

    // Comment edit dialogs: the comment to enter in each, in order (nullopt: Cancel).
    std::deque<std::optional<std::string>> m_comments;

    // File dialogs: the file to choose in each, in order (nullopt: Cancel).
    std::deque<std::optional<std::string>> m_files;
    // What each file dialog offered: its filters as shown, and the patterns the
    // shown files were matched against when it opened.
    std::vector<QStringList> m_shownFilters;
    std::vector<QStringList> m_appliedPatterns;

private:
    void Step();

    QTimer m_timer;
};

} // namespace quillora::test
