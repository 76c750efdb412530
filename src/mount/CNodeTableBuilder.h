// The record sink that builds a CNodeTable from a case streaming past, and the read of
// a case file into one.
#pragma once

#include "model/IRecordSink.h"
#include "mount/CNodeTable.h"

#include <memory>
#include <string>
#include <vector>

namespace quillora {

class CNodeTableBuilder : public IRecordSink {
public:
    // `casePath`: the case file's absolute path, which the table names.
    explicit CNodeTableBuilder(std::string casePath);

    // Makes room for the records of a case file of `caseBytes` bytes before they come.
    void Reserve(std::uint64_t caseBytes);

    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult& result) override;

    // The finished table after Finish; null before or when the run failed.
    std::unique_ptr<CNodeTable> Take() { return std::move(m_table); }

    // Reads the case file at `path` (".cas" or ".caz") with `password`. Throws what the
    // case reader throws (a damaged file, a wrong password: CCaseFileException) and
    // std::length_error for a case too large for one table.
    static std::unique_ptr<CNodeTable> Read(const std::string& path, const std::string& password);

private:
    std::uint32_t Add(SRecordFacts& facts);
    void Complete(std::uint32_t index, SRecordFacts& facts);
    std::uint32_t PoolAppend(std::string_view text);
    void LinkChildren();
    void NameSiblings();
    void Insert(std::uint32_t index);

    std::unique_ptr<CNodeTable> m_table;
    std::vector<std::uint32_t> m_open; // the records whose contents are being read
};

} // namespace quillora
