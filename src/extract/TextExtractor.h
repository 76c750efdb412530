// The base of every comment extractor: its user settings (what becomes the comment,
// size and line limits, text clean-up), its property table, and the base behaviour of
// reading a title, the properties or the body of a file. Readers of particular formats
// override the steps they read differently; everything else is common.
#pragma once

#include "model/PropertySet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CExtractFile;
class CProfileStore;

// What an extractor can deliver; also enables the matching choices of the settings
// dialog.
inline constexpr std::uint32_t kSupportTitle = 0x001;
inline constexpr std::uint32_t kSupportProperties = 0x002;
inline constexpr std::uint32_t kSupportFullText = 0x100;
inline constexpr std::uint32_t kSupportBodyBySize = 0x200;
inline constexpr std::uint32_t kSupportBodyByLines = 0x400;

// What becomes the comment (m_nDocTarget).
inline constexpr int kTargetNothing = 0;
inline constexpr int kTargetTitle = 1;
inline constexpr int kTargetProperties = 2;
inline constexpr int kTargetFullText = 256;
inline constexpr int kTargetBodyBySize = 512;
inline constexpr int kTargetBodyByLines = 1024;

// The section every extractor's settings live below ("Comment\<name>").
inline constexpr const char* kExtractorSettingsSection = "Comment";

// One entry of an extractor's property table.
struct SExtractProperty {
    int m_nKey = 0;
    std::string m_strTitle;
    std::string m_strValue; // for the file being read
};

class CTextExtractor {
public:
    // Limits of the settings, as the dialog offers them.
    static constexpr int kMinDocSize = 1;
    static constexpr int kMaxDocSize = 32 * 1024;
    static constexpr int kMinDocLine = 1;
    static constexpr int kMaxDocLine = 100;
    // The longest comment the full-text target makes: a comment is not a copy of the
    // file.
    static constexpr std::size_t kMaxFullText = 1024 * 1024;

    CTextExtractor() = default;
    virtual ~CTextExtractor() = default;
    CTextExtractor(const CTextExtractor&) = delete;
    CTextExtractor& operator=(const CTextExtractor&) = delete;

    // --- The operations, in their order ---

    // Whether the extractor handles files with this suffix (upper case, no dot).
    virtual bool CheckSuffix(const std::string& upperSuffix);
    // The suffixes handled, separated by ";" (empty when none are fixed).
    virtual void GetDefaultSuffix(std::string& suffixes);
    // Whether this file is one the extractor reads; the base asks CheckSuffix.
    virtual bool IsTarget(CExtractFile& file, const std::string& upperSuffix);
    // Bytes that mark a file as not being text: 0-8, 11, 12, 14-31.
    virtual bool IsControlChar(unsigned char c);
    // The three character maps, as they are switched on.
    virtual void MapChars(std::string_view text, std::string& out);
    // Blanks of a line, as m_nConvSpace says.
    virtual void ProcessSpaces(std::string& line);
    virtual bool CanRead(CExtractFile& file);
    virtual bool Open(CExtractFile& file);
    virtual bool IsEnd();
    virtual void Close();
    // The next line of text (UTF-8, ending in CR LF when a line end was read); false
    // at the end. The base reads the file's bytes as they are.
    virtual bool GetLine(CExtractFile& file, std::string& line);
    virtual bool GetTitle(CExtractFile& file, std::string& out);
    virtual bool GetBody(CExtractFile& file, std::string& out);
    // Reads the file: the property table when properties are supported (the record's
    // set in `props` is replaced, or dropped when none is to be kept) and the comment
    // text the target asks for. False when the file gave nothing for this extractor.
    virtual bool Extract(CExtractFile& file, std::string& text,
                         std::unique_ptr<CPropertySet>* props);
    virtual bool ReadProperties(CExtractFile& file);
    virtual bool PropertiesText(std::string& out);
    virtual std::unique_ptr<CPropertySet> MakePropertySet();
    // Settings under "<section>\<name>" of the store.
    virtual void LoadSettings(const CProfileStore& store, std::string_view section);
    virtual void SaveSettings(CProfileStore& store, std::string_view section) const;
    // The eleven user settings.
    virtual void CopySettings(const CTextExtractor& from);
    // Name, version, support bits, property table, the defaults and the user settings.
    virtual void CopyAll(const CTextExtractor& from);

    // --- Around them ---

    // Sets the value of the table entry with this key after the clean-up of the
    // settings (blank values, a trailing line end, blanks, the maps when the
    // half-width katakana map is on). Nothing when the table has no such key.
    void SetPropertyValue(int key, std::string_view value);
    // The value of the entry with this key, or null.
    const std::string* PropertyValue(int key) const;
    void ClearPropertyValues();
    const std::vector<SExtractProperty>& Properties() const { return m_properties; }

    // The definition property sets of this extractor point to: its name and keys.
    const CPropertyDefinition& Definition() const { return m_definition; }

    bool AnyMapOn() const { return m_bMapHankaku || m_bMapOubun || m_bMapEibun; }
    // Puts the eleven user settings back to this extractor's defaults.
    void ResetSettings();

    // --- The fields ---

    int m_bConfigurable = 1;
    int m_bEnable = 1;
    std::string m_strName;
    std::string m_strVersion;
    std::uint32_t m_dwSupport = 0;
    int m_bPropUse = 0;
    int m_nDocTarget = kTargetTitle;
    int m_nDocSize = 2000;
    int m_nDocLine = 10;
    int m_nConvSpace = 0;
    int m_nConvRCode = 0;
    int m_bDelEmptyLine = 0;
    int m_bMapHankaku = 0;
    int m_bMapOubun = 0;
    int m_bMapEibun = 0;
    int m_bEnd = 0;
    int m_bNotText = 0;

protected:
    // Sets the table (keys with their titles, empty values) and the definition.
    void SetPropertyTable(std::vector<SExtractProperty> table);
    // Makes the current user settings the defaults ResetSettings returns to.
    void KeepDefaults();
    // Name and the definition's name together.
    void SetName(std::string name);

private:
    struct SSettings {
        int m_bEnable, m_bPropUse, m_nDocTarget, m_nDocSize, m_nDocLine, m_nConvSpace, m_nConvRCode,
            m_bDelEmptyLine, m_bMapHankaku, m_bMapOubun, m_bMapEibun;
    };
    SSettings Settings() const;
    void Apply(const SSettings& settings);

    std::vector<SExtractProperty> m_properties;
    CPropertyDefinition m_definition;
    SSettings m_defaults{1, 0, kTargetTitle, 2000, 10, 0, 0, 0, 0, 0, 0};
};

// Whether the value is one of the six targets.
bool IsValidDocTarget(int target);

} // namespace quillora
