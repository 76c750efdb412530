// The record sink: what the producers of catalogue records in tree order (the case
// reader, the clipboard payload reader, ReplayTree for a tree in memory) write into, and
// what every consumer of them implements. CTreeBuilder builds the tree from it; a
// consumer that needs no tree (a count, the index of every case, the copies report)
// takes the records as they stream past. The folder walk, archive listings and list
// imports give records in no tree order (a folder is listed whole before its
// subfolders; an archive or a list names entries anywhere), so they still build their
// tree themselves, placing by path through CFolderPlacer.
//
// Call order, as the case file keeps records (pre-order, a record before its
// contents):
//
//   run     := block* Finish
//   block   := BeginMedium item* EndMedium
//   item    := Entry | EnterFolder item* LeaveFolder | block
//
// BeginMedium/EndMedium enclose the case, a group or a medium (facts.m_class says
// which; the case holds groups and media, a group holds media); EnterFolder and
// LeaveFolder enclose a folder or a listed archive with contents. Entry is a record
// whose contents follow nowhere: a file, an archive entry, an empty folder.
//
// What the facts hold: at BeginMedium and EnterFolder, the fields the case file keeps
// before a record's contents; at EndMedium and LeaveFolder, the same record completed
// with the fields it keeps after them (a medium's or group's volume fields, above all
// its label; an archive entry's packed size and parent references). A sink that needs
// a medium's label for the records inside it must wait for EndMedium. Entry has every
// field. A producer that knows everything at the start gives it at both ends.
//
// Ownership: the facts belong to the producer and are only lent for the call; a sink
// may move texts, the property set and the contents out of them, and must copy what it
// keeps otherwise. Calls come on one thread, one at a time. A sink that throws ends the
// producer's run with that exception (the case reader reports it as a damaged file);
// Finish then does not come.
#pragma once

#include "model/SRecordFacts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

// How a producer's run ended.
struct SSinkResult {
    enum class EGrade : std::uint8_t {
        Complete, // everything there was is in the records
        Partial,  // complete but for the items counted in m_skipped
        Failed,   // the records given are not to be used; m_strCause says why
    };
    struct SSkipped {
        std::string m_strKind; // "unreadable folder", "line without a name", ...
        std::uint64_t m_nCount = 0;
    };

    EGrade m_grade = EGrade::Complete;
    std::vector<SSkipped> m_skipped;
    std::string m_strCause;

    bool Usable() const { return m_grade != EGrade::Failed; }
    static SSinkResult Fail(std::string cause) {
        SSinkResult result;
        result.m_grade = EGrade::Failed;
        result.m_strCause = std::move(cause);
        return result;
    }
};

class IRecordSink {
public:
    virtual ~IRecordSink() = default;

    virtual void BeginMedium(SRecordFacts& medium) = 0;
    virtual void EnterFolder(SRecordFacts& folder) = 0;
    virtual void Entry(SRecordFacts& record) = 0;
    virtual void LeaveFolder(SRecordFacts& folder) = 0;
    virtual void EndMedium(SRecordFacts& medium) = 0;
    virtual void Finish(const SSinkResult& result) = 0;

    // Whether the case reader may hand files and archive entries on with their names as
    // stored (SRecordFacts::m_bNameStored): the sink then calls DecodeName() before it
    // reads m_strName of such a record. For sinks that look at most names not at all.
    virtual bool TakesStoredNames() const { return false; }
};

} // namespace quillora
