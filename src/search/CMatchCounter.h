// CMatchCounter: the record sink that counts the records of a case matching find
// conditions as the case streams past, without building its tree.
#pragma once

#include "model/CFolderSizeSum.h"
#include "model/IRecordSink.h"

#include <cstdint>
#include <string>

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
    // Most names fail the name condition on their stored bytes, undecoded.
    bool TakesStoredNames() const override { return true; }

private:
    void Test(SRecordFacts& record);
    bool TestedAtEnd(const SRecordFacts& folder) const;

    const SFindCondition& m_conditions;
    std::string m_strCasePath;
    std::string m_strScratch;
    std::uint64_t m_nCount = 0;
    CFolderSizeSum m_sizes;
};

} // namespace quillora
