// Texts of the scan report in the program's language.
#include "app/media/ScanReportText.h"

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
