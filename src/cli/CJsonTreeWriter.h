// CJsonTreeWriter: what `tree --json` prints, written from the records as they stream
// past instead of from a loaded tree: one JSON object a record, in tree order.
#pragma once

#include "cli/RecordText.h"
#include "core/CHugePageBlock.h"
#include "model/CFolderSizeSum.h"
#include "model/IRecordSink.h"

#include <cstdint>
#include <string>
#include <sys/uio.h>
#include <vector>

namespace quillora::cli {

class CJsonTreeWriter : public IRecordSink {
public:
    // `casePath` is the case file's full path: the case record is named after it and
    // takes its size and times, as a loaded case does. Lines go to the file descriptor
    // `out`, which nothing else writes to meanwhile.
    CJsonTreeWriter(std::string casePath, int out);
    ~CJsonTreeWriter() override;

    void BeginMedium(SRecordFacts& medium) override;
    void EnterFolder(SRecordFacts& folder) override;
    void Entry(SRecordFacts& record) override;
    void LeaveFolder(SRecordFacts& folder) override;
    void EndMedium(SRecordFacts& medium) override;
    void Finish(const SSinkResult& result) override;

    // What was formatted and not yet written; false when writing failed.
    bool Flush();

private:
    // A line kept until the labels of the media around it are known: every record's path
    // begins with them, and a medium's label comes after its contents. m_nChain is the
    // innermost medium or group around the record (-1: none), m_bBelow whether the
    // record lies below it rather than being it; m_nBegin/m_nEnd the rest of the line in
    // m_held, written when the record is closed (kUnwritten until then).
    struct SHeldLine {
        std::int32_t m_nChain = -1;
        bool m_bBelow = true;
        std::size_t m_nBegin = 0, m_nEnd = 0;
    };
    struct SChain {
        std::int32_t m_nParent = -1;
        std::string m_escapedLabel;
    };
    // An open record: its held line, and how long the path below the medium was
    // before it; a medium's keeps the path below the medium around it whole.
    struct SOpen {
        std::size_t m_nLine = 0;
        std::size_t m_nPathLength = 0;
        std::size_t m_nOuterDepth = 0;
        std::string m_outerPath;
    };
    static constexpr std::size_t kUnwritten = ~std::size_t{0};

    std::int32_t Chain() const;
    void Open(SRecordFacts& record, bool medium);
    void AppendOwnPath(const SRecordFacts& record);
    // A folder's, medium's or group's line (an entry writes its own).
    void Hold(std::size_t line, const SRecordFacts& record);
    void AppendPrefix(std::string& out, std::int32_t chain) const;
    // Room for `room` more bytes after the held lines.
    char* HeldRoom(std::size_t room);
    void WriteHeld();
    void BuildPrefixes();
    void WritePieces();
    void Out(std::string_view text);

    std::string m_strCasePath;
    int m_nOut;
    std::string m_out;
    bool m_bWriteFailed = false;
    CFolderSizeSum m_sizes;

    std::string m_path;       // the path below the innermost open medium, escaped for JSON
    std::size_t m_nDepth = 0; // of m_path's records below that medium
    std::vector<SOpen> m_open;
    std::vector<std::int32_t> m_openChains;
    std::vector<SChain> m_chains;
    std::vector<SHeldLine> m_lines;
    // The held lines in [0, m_nHeld); what follows is room. A medium's lines are held
    // by the ten megabytes, filled once and reused for the next medium.
    CHugePageBlock m_held;
    std::size_t m_nHeld = 0;
    // What a held line's path begins with, a chain's below it at 2 * chain + 1 and its
    // own at 2 * chain; the last, for no chain. The lines are written from where they
    // are held, each after its prefix, gathered into one system call by the thousand.
    std::vector<std::string> m_prefixes;
    SRecordJsonFields m_entryFields; // an entry's, filled anew for each
    std::vector<iovec> m_pieces;     // [0, m_nPieces) to be written
    std::size_t m_nPieces = 0;
};

} // namespace quillora::cli
