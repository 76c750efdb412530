// The streaming case reader: reads a case file (or the record bodies of a clipboard
// payload) and hands every stored record to a record sink, in file order, without
// building a tree. Loading a case is this reader with a CTreeBuilder as its sink.
#pragma once

#include "model/CCDCase.h"
#include "model/CaseSchema.h"
#include "model/IRecordSink.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quillora {

class CArchiveReader;
class ICaseStream;

class CCaseReader {
public:
    // Reads the case object from `stream`: the class record, the password check, then
    // every record, into `sink`, and Finish(Complete) once the stream's end has been
    // checked. Throws CArchiveException (foreign class, bad schema, a damaged or short
    // file, records nested too deeply), CCaseFileException (wrong password: before any
    // record reaches the sink) or CFileException; Finish does not come then, and what
    // the sink got is not to be used. What the sink throws passes on unchanged. With `check`, the
    // password is checked against check->tryPassword and a mismatch leaves the file's password in
    // check->filePassword; without it, the process-wide try-password is used and set.
    static void Read(ICaseStream& stream, IRecordSink& sink,
                     CCDCase::SPasswordCheck* check = nullptr);

    // Reads one record of class `cls` (a medium or a group, as a payload holds them)
    // with its whole subtree from `ar` into `sink`, as BeginMedium ... EndMedium.
    // ctx.depth is the record's depth in the tree it will join. Throws
    // CArchiveException as the case reader does for a record below the case.
    static void ReadRecord(CArchiveReader& ar, CaseLoadContext& ctx, RecordClass cls,
                           IRecordSink& sink);

private:
    struct SLevel {
        SRecordFacts m_facts;
        std::uint32_t m_nRemaining = 0;
        bool m_bMedium = false; // opened by BeginMedium, closed by EndMedium
    };

    CCaseReader(CArchiveReader& ar, CaseLoadContext& ctx, IRecordSink& sink);

    // The record of class `cls` and its subtree. An error in a record below it is
    // reported as a damaged child (a bad-class error keeping the first cause).
    void ReadTree(RecordClass cls);
    // Reads the record's fields up to its contents into level m_nOpen and either hands
    // it on as an entry or opens it as a new level.
    void Open(RecordClass cls);
    // Reads the fields stored after the contents of the innermost level and closes it.
    void Close();
    void ReadBody(SRecordFacts& facts, std::uint32_t& childCount);
    // ReadBody for the common record of the current schemas, parsed in place from the
    // buffer: no texts but the name (shorter than 255 bytes), no property set, no
    // contents, not a medium. False, with nothing read, for any other record.
    bool ReadPlainBody(SRecordFacts& facts, std::uint32_t& childCount);
    void ReadTail(SRecordFacts& facts);
    void ReadVolumeFields(SVolumeFields& v);
    RecordClass ChildClass(const SLevel& parent);
    SLevel& LevelAt(std::size_t index);
    // LevelAt when the levels so far do not reach `index`.
    SLevel& GrowTo(std::size_t index);
    // Calls the sink; what it throws is marked as the sink's, so that it passes on
    // unchanged instead of being reported as a damaged file.
    template <class Call> void ToSink(Call call) {
        try {
            call();
        } catch (...) {
            m_bSinkFailed = true;
            throw;
        }
    }

    CArchiveReader& m_ar;
    CaseLoadContext& m_ctx;
    IRecordSink& m_sink;
    const bool m_bLog;
    const bool m_bStoredNames; // the sink takes names as stored (not while logging names)
    const bool m_bPlainBodies; // ReadPlainBody knows the schema's layout (not while logging)
    const int m_nBaseDepth;
    // Grown as deep as the tree and reused; each level stays in place while more are
    // added, and is found by one index and one load.
    std::vector<std::unique_ptr<SLevel>> m_levels;
    std::size_t m_nOpen = 0;
    std::size_t m_nCurrent = 0;
    bool m_bSinkFailed = false; // depth below ReadTree's record of the one being read
};

} // namespace quillora
