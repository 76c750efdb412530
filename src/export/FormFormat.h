// The four list formats that share CFormCondition presets, and what tells them apart
// where their presets are stored and named.
#pragma once

#include <array>

namespace quillora {

enum class EFormFormat { Csv, Html, Tree, MediaMax };

inline constexpr std::array<EFormFormat, 4> kAllFormFormats = {
    EFormFormat::Csv, EFormFormat::Html, EFormFormat::Tree, EFormFormat::MediaMax};

struct SFormFormatInfo {
    EFormFormat m_format;
    const char* m_pszSection;    // the preset set's section: "CSVForm", ...
    const char* m_pszTraceName;  // "CSV" in "RegLoad() CSV condition"
    const char* m_pszDlgCaption; // the format-settings dialog: "CSV形式の設定"
};

const SFormFormatInfo& FormFormatInfo(EFormFormat format);

// How an export writes its bytes: the catalogue's own code page, or UTF-8 for programs that
// expect it. Stored with the preset under "Encoding" (a key older settings lack: CP932).
enum class EExportEncoding { Cp932 = 0, Utf8 = 1 };

} // namespace quillora
