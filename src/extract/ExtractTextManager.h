// CExtractTextManager: the ordered list of comment extractors (built-in readers, the
// plug-ins found in the plug-in folder, the holder of imported properties), picking
// them by file suffix. It is also where case files find the definitions of property
// sets, and the scanner's comment hook.
#pragma once

#include "extract/TextExtractor.h"
#include "hooks/ICommentExtractor.h"
#include "model/PropertySet.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CProfileStore;

class CExtractTextManager : public IPropertyDefinitionSource, public ICommentExtractor {
public:
    CExtractTextManager() = default;
    ~CExtractTextManager() override;
    CExtractTextManager(const CExtractTextManager&) = delete;
    CExtractTextManager& operator=(const CExtractTextManager&) = delete;

    // Empties the list and registers, in this order: MS-Office, TEXT, HTML, MODULE, URL;
    // the plug-ins of `pluginFolder` (tobrtf.so or tobrtfp.so, tobpdf.so or
    // tobpdfp.so, tobaudio.so, tobimg.so, then any other tob*.so in name order); last
    // "Improt". A plug-in that does not load is skipped without a message. Each
    // extractor's settings are read from `store` as it is registered. True when the
    // list is not empty.
    bool Load(const CProfileStore& store, const std::string& pluginFolder);

    // Appends an extractor: with a library file name, a plug-in built from
    // folder/library replaces `extractor` when it loads (and nothing is appended when
    // neither exists). Its settings are read from the store. Returns the extractor
    // appended, or null.
    CTextExtractor* Register(const CProfileStore& store, const std::string& folder,
                             const std::string& library, std::unique_ptr<CTextExtractor> extractor);

    // Writes every extractor's settings (section "Comment\<name>").
    void SaveSettings(CProfileStore& store) const;
    // Writes the settings, then destroys every extractor.
    void Unload(CProfileStore& store);

    std::size_t Count() const { return m_extractors.size(); }
    CTextExtractor& At(std::size_t index) { return *m_extractors[index]; }
    const CTextExtractor& At(std::size_t index) const { return *m_extractors[index]; }

    // The extractor of this name (compared without regard to case), or null.
    CTextExtractor* FindExtractor(std::string_view name) const;
    // The index of the first enabled extractor at or after `start` whose CheckSuffix
    // accepts the suffix (upper case, no dot); -1 when none does.
    int FindBySuffix(const std::string& upperSuffix, int start) const;
    // Whether some enabled extractor takes files with this name's suffix.
    bool HasExtractorFor(std::string_view fileName) const;

    // The suffix of the path's file name after its last ".", in upper case; empty when
    // there is none.
    static std::string UpperSuffix(std::string_view path);

    // Runs the extractors that accept the file's suffix, in list order, until one
    // delivers; their property sets replace *props (when props is not null). False
    // when the path has no suffix, no enabled extractor takes it, it cannot be opened
    // as a regular file, or none delivered. Serialised: one extraction at a time.
    bool ExtractText(const std::string& path, std::string& text,
                     std::unique_ptr<CPropertySet>* props);

    // --- IPropertyDefinitionSource ---

    // The definition of a loaded extractor. A set made by a plug-in of the program's
    // family that is not installed here keeps its values under a definition made up
    // for it, so that opening and saving a case does not lose them; any other unknown
    // name has no definition, and its sets are dropped on reading.
    const CPropertyDefinition* FindByName(std::string_view name) const override;

    // --- ICommentExtractor ---

    bool ExtractText(const std::string& osPath, SFileInfo& record, std::string& text) override;

private:
    std::vector<std::unique_ptr<CTextExtractor>> m_extractors;
    std::mutex m_extractLock;
    mutable std::mutex m_adoptLock;
    mutable std::deque<CPropertyDefinition> m_adopted;
};

} // namespace quillora
