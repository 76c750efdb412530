// Texts of the scan report in the program's language.
#include "app/media/ScanReportText.h"

#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <cstring>

namespace quillora {

namespace {

void AddLine(std::string& text, std::size_t count, const char* what) {
    if (count == 0) {
        return;
    }
    if (!text.empty()) {
        text += '\n';
    }
    text += what;
    text += ": ";
    text += std::to_string(count);
    text += " 個";
}

} // namespace

std::string ScanReportLines(const CScanReport& report) {
    std::string text;
    AddLine(text, report.Count(SkipKind::UnreadableFolder), "読み込めなかったﾌｫﾙﾀﾞ");
    AddLine(text, report.Count(SkipKind::UnreadableFile), "読み込めなかったﾌｧｲﾙ");
    AddLine(text, report.Count(SkipKind::TooDeep), "階層が深すぎて読まなかったﾌｫﾙﾀﾞ");
    AddLine(text, report.Count(SkipKind::OtherFileSystem), "入らなかったﾏｳﾝﾄ (別のﾌｧｲﾙｼｽﾃﾑ)");
    return text;
}

std::string ChangeSummaryLines(const CMediumChanges& changes, const CScanReport& report) {
    auto n = [](std::size_t count) { return std::to_string(count); };
    std::string text =
        "ﾌｧｲﾙ 追加 " + n(changes.Count(ChangeKind::Added)) + "  削除 " +
        n(changes.Count(ChangeKind::Removed)) + "  変更 " + n(changes.Count(ChangeKind::Modified)) +
        "  移動 " + n(changes.Count(ChangeKind::Moved)) + "\nﾌｫﾙﾀﾞ 追加 " +
        n(changes.Count(ChangeKind::FolderAdded)) + "  削除 " +
        n(changes.Count(ChangeKind::FolderRemoved)) + "\n読み込んだﾌｧｲﾙ " + n(report.FilesRead()) +
        " 個、変更なしで読まなかったﾌｧｲﾙ " + n(report.FilesKept()) + " 個";
    if (changes.TimesShifted() != 0) {
        text += "\n時刻が時間単位でずれていたﾌｧｲﾙ (変更なし): " + n(changes.TimesShifted()) + " 個";
    }
    return text;
}

const char* ChangeKindText(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::Added:
        return "追加";
    case ChangeKind::Removed:
        return "削除";
    case ChangeKind::Modified:
        return "変更";
    case ChangeKind::Moved:
        return "移動";
    case ChangeKind::FolderAdded:
        return "ﾌｫﾙﾀﾞ追加";
    case ChangeKind::FolderRemoved:
        return "ﾌｫﾙﾀﾞ削除";
    }
    return "";
}

std::string ScanFailureText(const std::string& osPath, const CScanReport& report) {
    if (!report.RootPseudoType().empty()) {
        return "[" + osPath + "] は疑似ﾌｧｲﾙｼｽﾃﾑ (" + report.RootPseudoType() +
               ") にあるため登録しません。\n"
               "登録するには TobConfig.txt に\n"
               "Main.Option.MediaAdd.PseudoFileSystems = 1\nと書いてください。";
    }
    if (report.RootError() != 0) {
        return "[" + osPath + "] ﾌｫﾙﾀﾞを読み込めません。\n(" + std::strerror(report.RootError()) +
               ")";
    }
    return {};
}

} // namespace quillora
