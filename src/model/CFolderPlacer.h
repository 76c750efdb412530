// CFolderPlacer: placement by path. Producers whose records come in no tree order (an
// archive's listing, a list import, folders made inside an archive by hand) find or
// make the folder of each path here, level by level, with a name index for folders
// that grow large; a producer that walks a tree in order writes into a record sink
// instead (IRecordSink.h).
#pragma once

#include "core/Text.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class SFileInfo;

class CFolderPlacer {
public:
    // Which child a level of a path names.
    enum class EMatch : std::uint8_t {
        Exact,        // the first child of exactly that name, of any kind (lists)
        FolderNoCase, // the first child folder of that name without regard to ASCII case
    };

    // What the producer does with the folders on the way.
    class IFolderMaker {
    public:
        virtual ~IFolderMaker() = default;
        // A new folder for a level nothing matched (not yet in the tree).
        virtual std::unique_ptr<SFileInfo> MakeFolder(std::string_view name) = 0;
        // The folder made for a level, now appended.
        virtual void Made(SFileInfo& folder) { (void)folder; }
        // An existing record a level matched; with Exact it may be a file that is to
        // become a folder.
        virtual void Found(SFileInfo& record) { (void)record; }
    };

    struct SRules {
        EMatch m_match = EMatch::Exact;
        bool m_bSkipDot = false; // "." levels name the folder they are in
        // A path of more levels is refused (FolderAt returns null).
        std::size_t m_nMaxLevels = static_cast<std::size_t>(-1);
    };

    // `maker` must outlive the placer. The tree placed into must outlive it too, and
    // records placed into must only be appended to while it is used.
    CFolderPlacer(const SRules& rules, IFolderMaker& maker);
    ~CFolderPlacer();
    CFolderPlacer(const CFolderPlacer&) = delete;
    CFolderPlacer& operator=(const CFolderPlacer&) = delete;

    // The folder at `path` below `start` (levels split at "\" and "/", empty levels
    // skipped), made level by level where missing; `start` when the path names no
    // level; null when it has more levels than the rules allow (the levels above the
    // limit may have been made).
    SFileInfo* FolderAt(SFileInfo& start, std::string_view path) {
        // Lines and listings mostly name the folder of the line before.
        if (&start == m_pLastStart && text::SameText(path, m_strLastPath)) {
            return m_pLastFolder;
        }
        return Place(start, path);
    }

    // A name with its hash under the rules, for a look-up and the add that may follow
    // it. The name is viewed, not copied.
    struct SKey {
        std::string_view m_name;
        std::uint32_t m_nHash = 0;
    };
    SKey KeyFor(std::string_view name);

    // The child of `parent` a level called `key.m_name` names, by the rules; null when
    // none.
    SFileInfo* Find(const SFileInfo& parent, const SKey& key);
    SFileInfo* Find(const SFileInfo& parent, std::string_view name) {
        return Find(parent, KeyFor(name));
    }

    // Appends `child`, whose name `key` is, to `parent`; records added to a folder
    // otherwise are found as well.
    SFileInfo* Add(SFileInfo& parent, std::unique_ptr<SFileInfo> child, const SKey& key);
    SFileInfo* Add(SFileInfo& parent, std::unique_ptr<SFileInfo> child);

    // True, once, for a folder FolderAt made (a list gives such a folder the values of
    // its own line when that comes later).
    bool TakeMade(const SFileInfo& folder);

    // A folder with more children than this gets a name index.
    static constexpr std::size_t kIndexFrom = 8;

private:
    class CChildIndex;
    class CFolderTable;

    SFileInfo* Place(SFileInfo& start, std::string_view path);
    bool Matches(const SFileInfo& child, std::string_view name) const;
    // The name a child is indexed by.
    std::string_view NameOf(const SFileInfo& child) const;
    // The index of a folder with more than kIndexFrom children, holding all of them.
    CChildIndex& IndexOf(const SFileInfo& parent);

    SRules m_rules;
    IFolderMaker& m_maker;
    std::unique_ptr<CFolderTable> m_folders;
    const SFileInfo* m_pIndexed = nullptr; // the folder whose index was asked for last
    CChildIndex* m_pIndex = nullptr;
    std::string m_strFolded; // a name in lower case, for the index of FolderNoCase
    // The last path asked for, and its folder.
    const SFileInfo* m_pLastStart = nullptr;
    std::string m_strLastPath;
    SFileInfo* m_pLastFolder = nullptr;
};

} // namespace quillora
