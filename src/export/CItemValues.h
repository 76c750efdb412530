// The value of each item type for one catalogue entry, as the list formats write it:
// names composed with label and folder, relative names, dates, comments, properties, CRC.
// Shared by the exporters, the printed list and the clipboard's text copies, each with
// its own options.
#pragma once

#include "core/FileTime.h"

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CFormCondition;
class SFileInfo;

// How the comment item treats line breaks.
enum class ECommentBreaks {
    Keep,    // as stored (HTML turns them into <BR>)
    Convert, // every "\r\n" becomes the replacement text
    OneLine, // "\r" dropped, "\n" becomes a space
};

struct SItemValueOptions {
    bool m_bOrgName = true; // original names rather than display names
    std::string m_strLabelOpen = "(";
    std::string m_strLabelClose = ")";
    int m_nFolderSep = 0;        // 0 unchanged, 1 "\" -> "/", 2 "/" -> "\"
    bool m_bRelRootSpec = false; // the relative name starts with m_strRelRoot
    std::string m_strRelRoot = "./";
    ECommentBreaks m_commentBreaks = ECommentBreaks::OneLine;
    std::string m_strCommentRCode = "^n";
    // When not empty, written for an empty title property (item 14).
    std::string m_strTitleEmpty;

    // The options a preset gives; `keepLineBreaks` for the writers that keep comment
    // line breaks (HTML).
    static SItemValueOptions From(const CFormCondition& preset, bool keepLineBreaks);
};

class CItemValues {
public:
    explicit CItemValues(SItemValueOptions options) : m_options(std::move(options)) {}

    const SItemValueOptions& Options() const { return m_options; }

    // Appends the value of item `type` (1..26) for `entry`; other types append nothing.
    // Sizes are plain decimal.
    void Append(std::string& out, const SFileInfo& entry, int type);
    std::string Value(const SFileInfo& entry, int type);

    // The pieces, for writers that compose differently.
    // Everything of the entry's full path up to and including its last "\" or "/"; on a
    // local medium that path is the Linux one, "/" separated, from the mount point
    // where the medium is present ("/" while it is absent).
    static std::string FolderPart(const SFileInfo& entry);
    // The label of the medium holding the entry (itself included); empty without one.
    static const std::string& Label(const SFileInfo& entry);
    // Items 3, 4, 5.
    void AppendComposedName(std::string& out, const SFileInfo& entry, int type);
    // Item 25.
    void AppendRelativeName(std::string& out, const SFileInfo& entry);
    // Item 11.
    void AppendComment(std::string& out, const SFileInfo& entry) const;
    // "%Y/%m/%d %H:%M:%S" in local time; "（不明）" for 0 or a time out of range.
    void AppendTime(std::string& out, FileTime time);
    // The separator conversion of the options over out[from..].
    void ConvertFolderSep(std::string& out, std::size_t from) const;

private:
    SItemValueOptions m_options;
    std::vector<const SFileInfo*> m_chain;
    // The local time of the last quarter hour converted: times are mostly close together,
    // and no zone changes its offset inside a quarter hour.
    std::int64_t m_nCachedQuarter = INT64_MIN;
    int m_cached[6] = {};
};

// An entry's original name without the folder part some records carry in it (a medium's
// location, the case file's path).
std::string_view OriginalLeafName(const SFileInfo& entry);

} // namespace quillora
