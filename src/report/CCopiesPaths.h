// CCopiesPaths: the catalogue paths of the records a copies report lists, found by
// reading their case files a second time (the report keeps positions, not names).
#pragma once

#include "report/CRecordPathSink.h"
#include "report/CopiesEntries.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class CCopiesReport;

class CCopiesPaths {
public:
    // `report` must be complete and outlive this.
    explicit CCopiesPaths(const CCopiesReport& report);

    // Asks for the path of a record of `size` bytes.
    void Want(const SCopiesRef& ref, std::uint64_t size);
    // The case files that hold wanted records (sorts what was asked for).
    std::vector<std::uint32_t> CasesNeeded();
    // Reads case `index` again for its wanted records, on the calling thread;
    // different cases may be read at once. False, with the reason in Errors(), when the
    // file cannot be read or changed since the report read it.
    bool Resolve(std::uint32_t index);

    // The record's catalogue path as `tree` prints it, or "" when unknown.
    std::string PathOf(const SCopiesRef& ref) const;
    // Its path below its medium (names joined with "\"), or null when unknown.
    const std::string* RelativePathOf(const SCopiesRef& ref) const;
    // One line per case file whose paths could not be found.
    std::vector<std::string> Errors() const;

private:
    static constexpr std::uint32_t kNoSlot = 0xFFFFFFFF;

    struct SCaseWanted {
        std::vector<CRecordPathSink::SWanted> m_wanted;
        std::vector<std::string> m_paths;
        std::vector<std::uint32_t> m_slotOf; // by position in the case: index into m_paths
        std::string m_strError;
        bool m_bResolved = false;
    };

    const CCopiesReport& m_report;
    std::vector<SCaseWanted> m_cases;
};

} // namespace quillora
