// The floor of every consumer of the record stream, for the benches that compare with
// it: a case file read by the streaming reader into a sink that only counts.
#pragma once

#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "model/CaseStream.h"
#include "model/IRecordSink.h"

#include <cstddef>
#include <memory>
#include <string>

namespace quillora::bench {

class CCountingSink final : public IRecordSink {
public:
    std::size_t m_nRecords = 0;
    void BeginMedium(SRecordFacts&) override { ++m_nRecords; }
    void EnterFolder(SRecordFacts&) override { ++m_nRecords; }
    void Entry(SRecordFacts&) override { ++m_nRecords; }
    void LeaveFolder(SRecordFacts&) override {}
    void EndMedium(SRecordFacts&) override {}
    void Finish(const SSinkResult&) override {}
};

inline std::size_t StreamCount(const std::string& path) {
    std::unique_ptr<ICaseStream> stream = OpenCaseStream(path, kOpenForLoad, false);
    CCountingSink sink;
    CCDCase::SPasswordCheck check{"", {}};
    CCaseReader::Read(*stream, sink, &check);
    stream->Close();
    return sink.m_nRecords;
}

} // namespace quillora::bench
