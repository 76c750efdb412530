// CTreeBuilder: the record sink that builds the catalogue tree. Every producer's
// records become SFileInfo records here: one place for how facts become records and
// for the sums of folder sizes.
#pragma once

#include "model/IRecordSink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

class CTreeBuilder : public IRecordSink {
public:
    enum class ETop {
        Fill,  // the run's outermost record is `top` itself (a case being read, a medium
               // being scanned): its fields are set, its contents appended
        Below, // the run's outermost records are appended to `top`'s children
    };

    // Detached: each outermost record of the run becomes a tree of its own (TakeRoots).
    CTreeBuilder();
    // `top` must outlive the builder; with Fill its class must be the first block's.
    CTreeBuilder(SFileInfo& top, ETop how);
    ~CTreeBuilder() override;
    CTreeBuilder(const CTreeBuilder&) = delete;
    CTreeBuilder& operator=(const CTreeBuilder&) = delete;

    // Folders, media and groups take the sum of their contents' sizes as each one is
    // closed (for producers whose folders carry no size, and for files of the old
    // schemas). Off by default: a case file's stored sizes are kept as they are.
    void SetSumSizes(bool on) { m_bSumSizes = on; }

    // The record the last call made or filled; null before the first.
    SFileInfo* Last() const { return m_pLast; }
    // The innermost open record: the one the next record goes into (`top` with Below
    // while nothing is open; null when nothing is).
    SFileInfo* Current() const;
    // The detached trees made so far, in the order they came.
    std::vector<std::unique_ptr<SFileInfo>> TakeRoots() { return std::move(m_roots); }
    // How the run ended; Complete until Finish says otherwise.
    const SSinkResult& Result() const { return m_result; }
    bool Finished() const { return m_bFinished; }

    // --- IRecordSink ---
    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult& result) override;

    // A new record of the class, with its class's defaults.
    static std::unique_ptr<SFileInfo> MakeRecord(RecordClass cls);
    // The fields stored before a record's contents, taken from the facts (texts, the
    // property set and the contents are moved out).
    static void ApplyHead(SFileInfo& record, SRecordFacts& facts);
    // The fields stored after them: packed size and parent references of an archive
    // entry, the volume fields of a medium or group.
    static void ApplyTail(SFileInfo& record, SRecordFacts& facts);

private:
    SFileInfo& Open(SRecordFacts& facts);
    void Close(SRecordFacts& facts);
    SFileInfo* Append(SFileInfo* parent, std::unique_ptr<SFileInfo> record);

    SFileInfo* m_pTop = nullptr;
    ETop m_eTop = ETop::Below;
    bool m_bTopFilled = false;
    bool m_bSumSizes = false;
    bool m_bFinished = false;
    std::vector<SFileInfo*> m_open;
    std::vector<std::unique_ptr<SFileInfo>> m_roots;
    SFileInfo* m_pLast = nullptr;
    const SFileInfo* m_pNoted = nullptr; // the last parent told its tree changed
    SSinkResult m_result;
};

} // namespace quillora
