// Copying catalogued files back to disk: the plain files of the selection are copied
// from their mounted medium, the members of archives are extracted through the
// archive expansion, below a folder the user picks. The catalogue is not changed.
#pragma once

#include "scan/ExtractTarget.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillora {

class CArchiveExpander;
class SFileInfo;

// What an extraction asks of its user interface.
class IExtractionUi {
public:
    virtual ~IExtractionUi() = default;
    // Makes sure the medium of `record` is present (asking to insert it); false
    // when the user gave up.
    virtual bool RequireMedium(const SFileInfo& record) = 0;
    // The target folder, starting at `initial` (titled "抽出先ﾌｫﾙﾀﾞの指定"); nullopt
    // on Cancel.
    virtual std::optional<std::string> ChooseTargetFolder(const std::string& initial) = 0;
    // Copy progress in bytes; false asks to stop (the dialog's Cancel).
    virtual bool CopyProgress(std::uint64_t done, std::uint64_t total,
                              const std::string& current) = 0;
    // The one sentence explaining why the extraction stopped.
    virtual void ReportFailure(const std::string& message) = 0;
    // At the end of an extraction that went on past entries it does not copy (FIFOs,
    // sockets, devices and symbolic links on the medium): one line per entry, its path
    // and what it is.
    virtual void ReportSkipped(const std::vector<std::string>& entries) = 0;
};

class CFileExtraction {
public:
    // The picker starts in `initialFolder`.
    CFileExtraction(CArchiveExpander& expander, IExtractionUi& ui, std::string initialFolder);

    // The selection a list gives: its rows in order, without media and the case.
    static std::vector<const SFileInfo*> ListSelection(const std::vector<const SFileInfo*>& rows);
    // The selection the tree gives: the node, unless it is a medium or the case.
    static std::vector<const SFileInfo*> TreeSelection(const SFileInfo* node);

    // Copies and extracts the selection; true when everything arrived. Stops at the
    // first failure (files copied so far stay) and tells the user which file failed and
    // why. Entries on the medium that are not regular files are passed over and
    // reported together at the end. Nothing is written through a symbolic link found
    // below the target folder, and each copy keeps its modification time and mode.
    bool Run(const std::vector<const SFileInfo*>& selection);

private:
    using Components = std::vector<std::string>;
    struct SCopy {
        std::string m_source;  // OS path on the medium
        Components m_relative; // below the target folder, the file's name last
        std::uint64_t m_size;
    };
    // False (after telling the user) for a name that cannot be a path component.
    bool CollectPlainFiles(const SFileInfo& record, const Components& relative,
                           std::vector<SCopy>& out) const;
    bool CopyFiles(const std::vector<SCopy>& copies);
    bool CopyOne(const SCopy& copy, std::uint64_t& done, std::uint64_t total);
    bool ExtractArchived(const SFileInfo& record, const Components& destination);
    bool ExtractBelowFolder(const SFileInfo& folder, const Components& destination);

    CArchiveExpander& m_expander;
    IExtractionUi& m_ui;
    std::string m_initialFolder;
    CExtractTarget m_target;
    std::vector<std::string> m_skipped;
};

} // namespace quillora
