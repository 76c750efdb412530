// Export presets: defaults per format, storage and the texts of the settings.
#include "export/CFormCondition.h"

#include "core/ProfileStore.h"

#include <array>

namespace quillora {

namespace {

// Every format offers the items from "分類" on, so that a preset saved before the relative
// name and the CRC existed shows them among the offered items.
constexpr std::array<int, 14> kOfferedOnLoad = {13, 14, 15, 16, 17, 18, 19,
                                                20, 21, 22, 23, 24, 25, 26};

struct SIntKey {
    const char* key;
    int CFormCondition::*field;
};

// In the order they are written.
constexpr SIntKey kIntKeys[] = {
    {"Target", &CFormCondition::Target},
    {"FolderSep", &CFormCondition::FolderSep},
    {"SubFolder", &CFormCondition::SubFolder},
    {"PutTitle", &CFormCondition::PutTitle},
    {"RelPath", &CFormCondition::RelPath},
    {"StrDQoute", &CFormCondition::StrDQoute},
    {"OrgName", &CFormCondition::OrgName},
    {"LabelSep", &CFormCondition::LabelSep},
    {"RCode", &CFormCondition::RCode},
    {"RelRootSpec", &CFormCondition::RelRootSpec},
    {"ItemSep", &CFormCondition::ItemSep},
    {"SpecSubLayer", &CFormCondition::SpecSubLayer},
    {"SubLayer", &CFormCondition::SubLayer},
    {"ConvCommentRCode", &CFormCondition::ConvCommentRCode},
};

} // namespace

CFormCondition::CFormCondition(EFormFormat format) : m_format(format) {
    Name = "新規";
    Reset();
}

std::unique_ptr<CFormPreset> CFormCondition::Clone() const {
    return std::make_unique<CFormCondition>(*this);
}

void CFormCondition::CopyFrom(const CFormPreset& other) {
    const auto& o = dynamic_cast<const CFormCondition&>(other);
    const EFormFormat format = m_format;
    *this = o;
    m_format = format;
}

void CFormCondition::Reset() {
    switch (m_format) {
    case EFormFormat::Csv:
    case EFormFormat::Html: {
        Target = kTargetAll;
        FolderSep = 0;
        SubFolder = 1;
        PutTitle = 1;
        RelPath = 0;
        StrDQoute = m_format == EFormFormat::Html ? 0 : 1;
        OrgName = 1;
        LabelSep = 1;
        RCode = 1;
        RelRootSpec = 0;
        RelRoot = "./";
        ItemSep = 1;
        SpecSubLayer = 0;
        SubLayer = 0;
        ConvCommentRCode = 0;
        CommentRCode = "^n";
        Visible = MakeFormItems({2, 5, 6, 7, 13, 11, 8, 9, 10, 12});
        Invisible = MakeFormItems({1, 3, 4, 25, 26, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24});
        break;
    }
    case EFormFormat::Tree: {
        Target = kTargetAll;
        FolderSep = 0;
        PutTitle = 0;
        StrDQoute = 1;
        OrgName = 1;
        SubFolder = 1;
        RelPath = 0;
        LabelSep = 1;
        RCode = 1;
        Visible = MakeFormItems({5, 13, 11});
        Invisible = MakeFormItems(
            {2, 1, 3, 4, 6, 7, 8, 9, 10, 26, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24});
        break;
    }
    case EFormFormat::MediaMax: {
        TitleEmpty = "タイトル無し";
        Target = kTargetFiles;
        FolderSep = 1;
        PutTitle = 0;
        StrDQoute = 0;
        OrgName = 1;
        SubFolder = 1;
        RelPath = 0;
        LabelSep = 1;
        RCode = 1;
        ConvCommentRCode = 0;
        CommentRCode = "^n";
        Visible = MakeFormItems({25, 14, 15, 11});
        Invisible =
            MakeFormItems({2, 1, 3, 4, 6, 7, 8, 9, 10, 13, 16, 17, 18, 19, 20, 21, 22, 23, 24});
        break;
    }
    }
    Encoding = EExportEncoding::Cp932;
}

void CFormCondition::Load(const CProfileStore& store, std::string_view section) {
    LoadCommon(store, section, "新規");
    for (const SIntKey& k : kIntKeys) {
        this->*k.field = store.GetInt(section, k.key, this->*k.field);
    }
    // A preset written without its root folder reads as "." (the dialog's default, "./",
    // is for new presets only).
    RelRoot = store.GetString(section, "RelRoot", ".");
    CommentRCode = store.GetString(section, "CommentRCode", CommentRCode);
    if (m_format == EFormFormat::MediaMax) {
        TitleEmpty = store.GetString(section, "TitleEmpty", TitleEmpty);
    }
    Encoding =
        store.GetInt(section, "Encoding", 0) == 1 ? EExportEncoding::Utf8 : EExportEncoding::Cp932;
    // HTML never quotes; the tree never writes a title row.
    if (m_format == EFormFormat::Html) {
        StrDQoute = 0;
    } else if (m_format == EFormFormat::Tree) {
        PutTitle = 0;
    }
    MergeOfferedItems(Invisible, Visible, kOfferedOnLoad);
}

void CFormCondition::Save(CProfileStore& store, std::string_view section) const {
    SaveCommon(store, section);
    for (const SIntKey& k : kIntKeys) {
        store.SetInt(section, k.key, this->*k.field);
    }
    store.SetString(section, "RelRoot", RelRoot);
    store.SetString(section, "CommentRCode", CommentRCode);
    if (m_format == EFormFormat::MediaMax) {
        store.SetString(section, "TitleEmpty", TitleEmpty);
    }
    store.SetInt(section, "Encoding", static_cast<int>(Encoding));
}

const char* CFormCondition::LineEnd() const {
    switch (RCode) {
    case 1:
        return "\r\n";
    case 2:
        return "\n";
    case 3:
        return "\r";
    default:
        return "";
    }
}

const char* CFormCondition::ItemSeparator() const {
    switch (ItemSep) {
    case 1:
        return ",";
    case 2:
        return "\t";
    case 3:
        return " ";
    default:
        return "";
    }
}

const char* CFormCondition::LabelOpen() const {
    static constexpr const char* kOpen[] = {"", "(", "<", "["};
    return LabelSep >= 0 && LabelSep <= 3 ? kOpen[LabelSep] : "";
}

const char* CFormCondition::LabelClose() const {
    static constexpr const char* kClose[] = {"", ")", ">", "]"};
    return LabelSep >= 0 && LabelSep <= 3 ? kClose[LabelSep] : "";
}

} // namespace quillora
