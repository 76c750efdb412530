// Second reading of the listed records' case files: positions in, names out.
#include "report/CCopiesPaths.h"

#include "model/CaseFile.h"
#include "report/CCopiesReport.h"

#include <algorithm>

namespace quillora {

CCopiesPaths::CCopiesPaths(const CCopiesReport& report)
    : m_report(report), m_cases(report.Cases().size()) {}

void CCopiesPaths::Want(const SCopiesRef& ref, std::uint64_t size) {
    const std::uint32_t index = m_report.Media().at(ref.m_nMedium).m_nCase;
    m_cases[index].m_wanted.push_back({ref.m_nOrdinal, size});
}

std::vector<std::uint32_t> CCopiesPaths::CasesNeeded() {
    std::vector<std::uint32_t> needed;
    for (std::uint32_t i = 0; i < m_cases.size(); ++i) {
        auto& wanted = m_cases[i].m_wanted;
        if (wanted.empty()) {
            continue;
        }
        std::sort(wanted.begin(), wanted.end(),
                  [](const auto& a, const auto& b) { return a.m_nOrdinal < b.m_nOrdinal; });
        wanted.erase(
            std::unique(wanted.begin(), wanted.end(),
                        [](const auto& a, const auto& b) { return a.m_nOrdinal == b.m_nOrdinal; }),
            wanted.end());
        needed.push_back(i);
    }
    return needed;
}

bool CCopiesPaths::Resolve(std::uint32_t index) {
    SCaseWanted& entry = m_cases.at(index);
    const SCopiesCase& file = m_report.Cases().at(index);
    CRecordPathSink sink(entry.m_wanted);
    bool badPassword = false;
    if (!StreamCaseFile(file.m_strPath, file.m_strPassword, sink, &badPassword,
                        &entry.m_strError)) {
        return false;
    }
    if (!sink.Matched()) {
        entry.m_strError = file.m_strPath + ": the file changed while the report was made";
        return false;
    }
    entry.m_paths = std::move(sink.Paths());
    // Listings ask for paths in content order, which jumps all over the case: a table
    // by position answers at once where a search of the wanted list missed the cache.
    entry.m_slotOf.assign(entry.m_wanted.empty() ? 0 : entry.m_wanted.back().m_nOrdinal + 1,
                          kNoSlot);
    for (std::uint32_t i = 0; i < entry.m_wanted.size(); ++i) {
        entry.m_slotOf[entry.m_wanted[i].m_nOrdinal] = i;
    }
    entry.m_bResolved = true;
    return true;
}

const std::string* CCopiesPaths::RelativePathOf(const SCopiesRef& ref) const {
    const std::uint32_t index = m_report.Media().at(ref.m_nMedium).m_nCase;
    const SCaseWanted& entry = m_cases[index];
    if (!entry.m_bResolved || ref.m_nOrdinal >= entry.m_slotOf.size() ||
        entry.m_slotOf[ref.m_nOrdinal] == kNoSlot) {
        return nullptr;
    }
    return &entry.m_paths[entry.m_slotOf[ref.m_nOrdinal]];
}

std::string CCopiesPaths::PathOf(const SCopiesRef& ref) const {
    const std::string* relative = RelativePathOf(ref);
    if (!relative) {
        return {};
    }
    return m_report.Media()[ref.m_nMedium].m_strPath + "\\" + *relative;
}

std::vector<std::string> CCopiesPaths::Errors() const {
    std::vector<std::string> errors;
    for (const SCaseWanted& entry : m_cases) {
        if (!entry.m_strError.empty()) {
            errors.push_back(entry.m_strError);
        }
    }
    return errors;
}

} // namespace quillora
