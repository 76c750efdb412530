// CMatchCounter: the record sink that counts the records of a case matching find
// conditions as the case streams past, without building its tree.
#pragma once

#include "model/IRecordSink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class SFindCondition;

class CMatchCounter : public IRecordSink {
public:
    // `conditions` must be compiled and outlive the counter. `casePath` is the case
    // file: the case record itself shows its name and carries its size and times, as
    // a loaded case does.
    CMatchCounter(const SFindCondition& conditions, std::string casePath);

    // The matches so far (the case record counts too, once its block is complete).
    std::uint64_t Count() const { return m_nCount; }

    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult&) override {}

private:
    void Open();
    void Close(SRecordFacts& record);
    void Test(const SRecordFacts& record);
    void AddSize(std::uint64_t size);

    const SFindCondition& m_conditions;
    std::string m_strCasePath;
    std::string m_strScratch;
    std::uint64_t m_nCount = 0;
    // Files of the old schemas keep no folder sizes: a loaded case sums them, and so
    // does the count, testing such folders at their end.
    bool m_bSumSizes = false;
    std::vector<std::uint64_t> m_sums;
};

} // namespace quillora
