// One print preset ("PrintForm"): which rows are printed, the items, the fonts and
// colours of the cells, the title row and the page title, grid lines, margins, the
// chosen printer and each printer's own settings.
#pragma once

#include "export/CFormPreset.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillora {

// Print Target values.
inline constexpr int kPrintFolderSelection = 0; // the folder list's selected entry
inline constexpr int kPrintListSelection = 1;   // the file list's selected entries
inline constexpr int kPrintWholeCase = 2;

// A font of the printed list: face, size in tenths of a point and colours as 0x00BBGGRR.
struct SPrintFont {
    std::string FaceName;
    int Point = 90;
    std::uint32_t Fore = 0x000000;
    std::uint32_t Back = 0xFFFFFF;

    bool operator==(const SPrintFont&) const = default;
};

// "%s, %.1f pt": how the font buttons describe a font.
std::string FontDescription(const SPrintFont& font);

// The font a preset starts with where the desktop's font is meant ("ＭＳ Ｐゴシック" at
// 9.0 pt, black on white until the program sets the desktop's).
SPrintFont DefaultPrintFont();
void SetDefaultPrintFont(const SPrintFont& font);

class CPrintCondition : public CFormPreset {
public:
    // A new preset named "新規" with the defaults.
    CPrintCondition();

    std::unique_ptr<CFormPreset> Clone() const override;
    void CopyFrom(const CFormPreset& other) override;
    // The defaults; the name and the printers' settings stay.
    void Reset() override;
    // Also reads each printer's settings from "<section>\PrinterInfo".
    void Load(const CProfileStore& store, std::string_view section) override;
    // Also replaces "<section>\PrinterInfo" with one value per printer.
    void Save(CProfileStore& store, std::string_view section) const override;

    // The fields, named after their keys.
    int Target = kPrintFolderSelection;
    int TargetRowsMode = 1; // stop after TargetRows rows
    int TargetRows = 200;   // 1..1000000
    int TargetSubFolder = 1;
    std::string SelectPrinter; // empty: the system's default printer
    SPrintFont ListFont;       // "List_..."
    int ListGridHorz = 1;
    int ListGridVert = 1;
    SPrintFont ListTitleFont; // "ListTitle_..."
    int ListTitle = 1;        // print the title row
    int ListNo = 1;           // print the "No." column
    int MarginTop = 20;       // millimetres, 0..100
    int MarginBottom = 20;
    int MarginLeft = 20;
    int MarginRight = 20;
    SPrintFont TitleFont; // "Title_..."
    std::string Title = "Quillora";

    // Each printer's own settings by printer name, as the print path stores them.
    std::map<std::string, std::vector<std::uint8_t>> PrinterSettings;

    static constexpr int kMinRows = 1;
    static constexpr int kMaxRows = 1000000;
    static constexpr int kMaxMargin = 100;
};

} // namespace quillora
