// The password dialog's rules: at least four characters, the exact case-sensitive
// password in check mode (a wrong one keeps the dialog open), empty allowed when setting.
#include "app/edit/CPasswordDlg.h"
#include "QtTestApp.h"
#include "core/Resources.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <vector>

using namespace quillora;
using namespace quillora::test;

namespace {

struct SDialogRun {
    std::vector<std::string> messages;
    int result = -1;
};

SDialogRun TryOk(PasswordMode mode, const std::string& password, const std::string& typed) {
    TestApp();
    CPasswordDlg dialog(mode, "/home/u/case.cas", password);
    SDialogRun run;
    dialog.SetMessageSink([&run](const std::string& text) { run.messages.push_back(text); });
    dialog.SetText(typed);
    dialog.setResult(-1);
    dialog.accept();
    run.result = dialog.result();
    return run;
}

} // namespace

TEST(CPasswordDlg, CheckModeRefusesShortAndWrongPasswords) {
    auto shortText = TryOk(PasswordMode::Check, "secret", "abc");
    ASSERT_EQ(shortText.messages.size(), 1u);
    EXPECT_EQ(shortText.messages[0], Res(538));
    EXPECT_EQ(shortText.result, -1) << "the dialog stays open";

    auto wrong = TryOk(PasswordMode::Check, "secret", "Secret");
    ASSERT_EQ(wrong.messages.size(), 1u);
    EXPECT_EQ(wrong.messages[0], Res(539));
    EXPECT_EQ(wrong.result, -1);

    auto right = TryOk(PasswordMode::Check, "secret", "secret");
    EXPECT_TRUE(right.messages.empty());
    EXPECT_EQ(right.result, QDialog::Accepted);
}

TEST(CPasswordDlg, SetModeAcceptsEmptyOrFourCharacters) {
    EXPECT_EQ(TryOk(PasswordMode::Set, "", "").result, QDialog::Accepted);
    EXPECT_EQ(TryOk(PasswordMode::Set, "", "abcd").result, QDialog::Accepted);
    auto shortText = TryOk(PasswordMode::Set, "", "ab");
    EXPECT_EQ(shortText.result, -1);
    ASSERT_EQ(shortText.messages.size(), 1u);
    EXPECT_EQ(shortText.messages[0], Res(538));
}

TEST(CPasswordDlg, CaptionsPromptsAndPreset) {
    TestApp();
    CPasswordDlg check(PasswordMode::Check, "/x/a.cas", "secret");
    EXPECT_EQ(check.windowTitle().toStdString(), Res(540));
    EXPECT_EQ(check.Text(), "") << "the password to check is never shown";
    CPasswordDlg set(PasswordMode::Set, "/x/a.cas", "old1");
    EXPECT_EQ(set.windowTitle().toStdString(), Res(543));
    EXPECT_EQ(set.Text(), "old1");
    EXPECT_EQ(CPasswordDlg::RefusalFor(PasswordMode::Check, "ﾊﾟｽﾜ", "ﾊﾟｽﾜ"), 0)
        << "length counts characters";
}

TEST(CPasswordDlg, SetModeKeepsOkDisabledForPasswordsACaseFileCannotHold) {
    TestApp();
    CPasswordDlg dialog(PasswordMode::Set, "/x/a.cas", "");
    struct Case {
        const char* text;
        bool storable;
    } cases[] = {
        {"パスワード日本", true},        // 14 bytes in CP932
        {"0123456789ABCDEF", true},      // exactly 16
        {"ﾊﾟｽﾜｰﾄﾞﾊﾟｽﾜｰﾄﾞ12", true},      // half-width katakana take one byte each
        {"abcdefghijklmnoあ", false},    // 17 bytes
        {"パスワード日本語です", false}, // 20 bytes
        {"café", false},                 // é has no CP932 code
    };
    for (const Case& c : cases) {
        dialog.SetText(c.text);
        EXPECT_EQ(dialog.OkButton()->isEnabled(), c.storable) << c.text;
        EXPECT_EQ(dialog.ShownProblem().empty(), c.storable) << c.text;
    }
    dialog.SetText("café");
    EXPECT_NE(dialog.ShownProblem(), CPasswordDlg::StorageProblem("abcdefghijklmnoあ"))
        << "the reason says which rule the text breaks";
    std::vector<std::string> messages;
    dialog.SetMessageSink([&messages](const std::string& text) { messages.push_back(text); });
    dialog.setResult(-1);
    dialog.accept();
    EXPECT_EQ(dialog.result(), -1) << "no way around the disabled button";

    dialog.SetText("パスワード日本");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Text(), "パスワード日本");
}
