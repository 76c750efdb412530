// Print presets: defaults, storage of the fonts, the items and the printers' settings.
#include "export/CPrintCondition.h"

#include "core/ProfileStore.h"
#include "core/TraceLog.h"

#include <array>
#include <cstdio>
#include <mutex>

namespace quillora {

namespace {

// Printing offers the category, the properties and the CRC to presets saved before them;
// the parent folder and the relative name are not printed.
constexpr std::array<int, 13> kOfferedOnLoad = {13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 26};

struct SIntKey {
    const char* key;
    int CPrintCondition::*field;
};

constexpr SIntKey kIntKeys[] = {
    {"Target", &CPrintCondition::Target},
    {"TargetRowsMode", &CPrintCondition::TargetRowsMode},
    {"TargetRows", &CPrintCondition::TargetRows},
    {"TargetSubFolder", &CPrintCondition::TargetSubFolder},
    {"ListGridHorz", &CPrintCondition::ListGridHorz},
    {"ListGridVert", &CPrintCondition::ListGridVert},
    {"ListTitle", &CPrintCondition::ListTitle},
    {"ListNo", &CPrintCondition::ListNo},
    {"MarginTop", &CPrintCondition::MarginTop},
    {"MarginBottom", &CPrintCondition::MarginBottom},
    {"MarginLeft", &CPrintCondition::MarginLeft},
    {"MarginRight", &CPrintCondition::MarginRight},
};

std::mutex g_fontLock;
SPrintFont g_defaultFont{"ＭＳ Ｐゴシック", 90, 0x000000, 0xFFFFFF};

void LoadFont(const CProfileStore& store, std::string_view section, const char* prefix,
              SPrintFont& font) {
    std::string p(prefix);
    font.FaceName = store.GetString(section, p + "_FaceName", font.FaceName);
    font.Point = store.GetInt(section, p + "_Point", font.Point);
    font.Fore = static_cast<std::uint32_t>(
        store.GetInt(section, p + "_Fore", static_cast<std::int32_t>(font.Fore)));
    font.Back = static_cast<std::uint32_t>(
        store.GetInt(section, p + "_Back", static_cast<std::int32_t>(font.Back)));
}

void SaveFont(CProfileStore& store, std::string_view section, const char* prefix,
              const SPrintFont& font) {
    std::string p(prefix);
    store.SetString(section, p + "_FaceName", font.FaceName);
    store.SetInt(section, p + "_Point", font.Point);
    store.SetInt(section, p + "_Fore", static_cast<std::int32_t>(font.Fore));
    store.SetInt(section, p + "_Back", static_cast<std::int32_t>(font.Back));
}

std::string PrinterSection(std::string_view section) {
    return std::string(section) + "\\PrinterInfo";
}

} // namespace

std::string FontDescription(const SPrintFont& font) {
    char size[32];
    std::snprintf(size, sizeof size, "%.1f pt", font.Point / 10.0);
    return font.FaceName + ", " + size;
}

SPrintFont DefaultPrintFont() {
    std::lock_guard guard(g_fontLock);
    return g_defaultFont;
}

void SetDefaultPrintFont(const SPrintFont& font) {
    std::lock_guard guard(g_fontLock);
    g_defaultFont = font;
}

CPrintCondition::CPrintCondition() {
    Name = "新規";
    Reset();
}

std::unique_ptr<CFormPreset> CPrintCondition::Clone() const {
    return std::make_unique<CPrintCondition>(*this);
}

void CPrintCondition::CopyFrom(const CFormPreset& other) {
    *this = dynamic_cast<const CPrintCondition&>(other);
}

void CPrintCondition::Reset() {
    Target = kPrintFolderSelection;
    TargetRowsMode = 1;
    TargetRows = 200;
    TargetSubFolder = 1;
    SelectPrinter.clear();
    const SPrintFont desktop = DefaultPrintFont();
    ListFont = desktop;
    ListGridHorz = 1;
    ListGridVert = 1;
    ListTitleFont = SPrintFont{"ＭＳ Ｐゴシック", 90, 0x000000, 0xFFFFFF};
    ListTitle = 1;
    ListNo = 1;
    MarginTop = MarginBottom = MarginLeft = MarginRight = 20;
    TitleFont = desktop;
    Title = "Quillora";
    Visible = MakeFormItems({2, 5, 6, 7, 13, 11, 8});
    Invisible = MakeFormItems({1, 3, 4, 9, 10, 26, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24});
}

void CPrintCondition::Load(const CProfileStore& store, std::string_view section) {
    LoadCommon(store, section, "新規");
    for (const SIntKey& k : kIntKeys) {
        this->*k.field = store.GetInt(section, k.key, this->*k.field);
    }
    SelectPrinter = store.GetString(section, "SelectPrinter", SelectPrinter);
    LoadFont(store, section, "List", ListFont);
    LoadFont(store, section, "ListTitle", ListTitleFont);
    LoadFont(store, section, "Title", TitleFont);
    Title = store.GetString(section, "Title", Title);
    MergeOfferedItems(Invisible, Visible, kOfferedOnLoad);

    PrinterSettings.clear();
    const std::string printers = PrinterSection(section);
    for (const std::string& name : store.ValueNames(printers)) {
        if (auto bytes = store.GetBinary(printers, name)) {
            LogFormat("RegLoad() Printer Name[%s]", name.c_str());
            PrinterSettings[name] = std::move(*bytes);
        }
    }
}

void CPrintCondition::Save(CProfileStore& store, std::string_view section) const {
    SaveCommon(store, section);
    for (const SIntKey& k : kIntKeys) {
        store.SetInt(section, k.key, this->*k.field);
    }
    store.SetString(section, "SelectPrinter", SelectPrinter);
    SaveFont(store, section, "List", ListFont);
    SaveFont(store, section, "ListTitle", ListTitleFont);
    SaveFont(store, section, "Title", TitleFont);
    store.SetString(section, "Title", Title);

    const std::string printers = PrinterSection(section);
    store.DeleteSection(printers);
    store.CreateSection(printers);
    for (const auto& [name, bytes] : PrinterSettings) {
        LogFormat("RegSave() Printer Name[%s]", name.c_str());
        store.SetBinary(printers, name, bytes);
    }
}

} // namespace quillora
