// One named preset of an export format's settings (CSV, HTML, tree text, MediaMax): what is
// written, how names, separators, quotes, line ends and comments look, and the items.
#pragma once

#include "export/CFormPreset.h"
#include "export/FormFormat.h"

#include <string>

namespace quillora {

// Target values.
inline constexpr int kTargetAll = 0;
inline constexpr int kTargetFiles = 1;
inline constexpr int kTargetFolders = 2;

class CFormCondition : public CFormPreset {
public:
    // A new preset with the format's defaults, named "新規".
    explicit CFormCondition(EFormFormat format);

    EFormFormat Format() const { return m_format; }

    std::unique_ptr<CFormPreset> Clone() const override;
    void CopyFrom(const CFormPreset& other) override;
    // The format's defaults. The tree and MediaMax formats keep the fields they do not
    // use (RelRootSpec, RelRoot, ItemSep, SpecSubLayer, SubLayer and, for the tree, the
    // comment conversion) as they are.
    void Reset() override;
    void Load(const CProfileStore& store, std::string_view section) override;
    void Save(CProfileStore& store, std::string_view section) const override;

    // The fields, named after their keys, with the base defaults.
    int Target = kTargetAll; // 0 all, 1 files only, 2 folders only
    int FolderSep = 0;       // 0 unchanged, 1 "\" -> "/", 2 "/" -> "\"
    int SubFolder = 1;       // clipboard copies take everything below each entry
    int PutTitle = 1;        // a title row first
    int RelPath = 0;         // stored and shown only
    int StrDQoute = 1;       // text fields in double quotes
    int OrgName = 1;         // the original name rather than the display name
    int LabelSep = 1;        // 0 none, 1 "( )", 2 "< >", 3 "[ ]"
    int RCode = 1;           // 1 CRLF, 2 LF, 3 CR, else none
    int RelRootSpec = 0;     // item 25 starts with RelRoot
    std::string RelRoot = "./";
    int ItemSep = 1;          // 1 ",", 2 TAB, 3 space, else none
    int SpecSubLayer = 0;     // limit the depth below the start entry
    int SubLayer = 0;         // that depth, 0..50
    int ConvCommentRCode = 0; // replace comment line breaks by CommentRCode
    std::string CommentRCode = "^n";
    // MediaMax only: written for an empty title property.
    std::string TitleEmpty = "タイトル無し";
    // Ours: the bytes of the written file.
    EExportEncoding Encoding = EExportEncoding::Cp932;

    // The texts the fields stand for.
    const char* LineEnd() const;       // "" for an unknown RCode
    const char* ItemSeparator() const; // "" for an unknown ItemSep
    const char* LabelOpen() const;
    const char* LabelClose() const;

private:
    EFormFormat m_format;
};

} // namespace quillora
