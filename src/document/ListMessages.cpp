// Messages of the list exports and imports.
#include "document/ListMessages.h"

namespace quillora {

std::string ImportFailureMessage(const std::string& path, const SImportResult& result) {
    std::string reason;
    const std::string& value = result.m_strValue;
    switch (result.m_problem) {
    case EImportProblem::Unreadable:
        reason = "ﾌｧｲﾙを読み込めません。(" + value + ")";
        break;
    case EImportProblem::Binary:
        reason = "ﾃｷｽﾄ形式のﾘｽﾄではありません。";
        break;
    case EImportProblem::QuoteNotClosed:
        reason = "ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝで始まる項目が閉じていません。";
        break;
    case EImportProblem::FieldTooLong:
        reason = "1MBを超える項目があります。";
        break;
    case EImportProblem::NotUtf8:
        reason = "文字ｺｰﾄﾞがUTF-8ではありません。";
        break;
    case EImportProblem::BadDate:
        reason = "日付を読み取れません。(\"" + value + "\")";
        break;
    case EImportProblem::BadSize:
        reason = "ｻｲｽﾞを読み取れません。(\"" + value + "\")";
        break;
    case EImportProblem::BadCrc:
        reason = "CRCを読み取れません。(\"" + value + "\")";
        break;
    case EImportProblem::LabelNotClosed:
        reason = "ﾗﾍﾞﾙ名の区切りが閉じていません。(\"" + value + "\")";
        break;
    case EImportProblem::PropertyHasNoPlace:
        reason = "項目\"" + value + "\"は取り込めません。";
        break;
    case EImportProblem::NoMemory:
        reason = "ﾒﾓﾘが不足しています。";
        break;
    case EImportProblem::TooLarge:
        reason = "ﾘｽﾄが大きすぎます。(ﾌｧｲﾙ以外から512MBまで)";
        break;
    case EImportProblem::TooDeep:
        reason = "ﾌｫﾙﾀﾞの階層が深すぎます。";
        break;
    case EImportProblem::None:
        reason = result.m_strError;
        break;
    }
    std::string text = "ｲﾝﾎﾟｰﾄできませんでした。ｹｰｽは変更されていません。\n" + path;
    if (result.m_nLine != 0) {
        text += " (" + std::to_string(result.m_nLine) + "行目)";
    }
    return text + "\n" + reason;
}

std::string ExportFailureMessage(const SExportResult& result) {
    return "ｴｸｽﾎﾟｰﾄできませんでした。\n" + result.m_strError;
}

std::string ReplacedCharactersMessage(std::uint64_t replaced, bool html) {
    if (replaced == 0) {
        return {};
    }
    return std::to_string(replaced) + "文字は出力する文字ｺｰﾄﾞで表せないため、" +
           (html ? "文字参照(&#...;)" : "\"?\"") + "に置き換えました。";
}

} // namespace quillora
