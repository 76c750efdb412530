// The streaming `tree --json`: lines are written as soon as the labels their paths begin
// with are known, so only one medium's lines are held at a time.
#include "cli/CJsonTreeWriter.h"

#include "cli/CliSupport.h"
#include "cli/RecordText.h"
#include "core/WriteAll.h"
#include "model/CCDCase.h"

#include <algorithm>
#include <cstring>

namespace quillora::cli {

namespace {

constexpr std::size_t kWriteSize = 1 << 16;
constexpr std::size_t kPiecesAtOnce = 1024;

} // namespace

CJsonTreeWriter::CJsonTreeWriter(std::string casePath, int out)
    : m_strCasePath(std::move(casePath)), m_nOut(out), m_pieces(kPiecesAtOnce) {}

CJsonTreeWriter::~CJsonTreeWriter() = default;

std::int32_t CJsonTreeWriter::Chain() const {
    return m_openChains.empty() ? -1 : m_openChains.back();
}

void CJsonTreeWriter::BeginMedium(SRecordFacts& medium) {
    if (medium.m_class == RecordClass::Case) {
        m_sizes.Start(medium);
        m_sizes.Open();
        // Named after its file and with the file's size and times, as a loaded case.
        SRecordFacts file;
        file.m_nSize = medium.m_nSize;
        file.m_dwFlags = medium.m_dwFlags;
        file.m_ftLastAccess = medium.m_ftLastAccess;
        file.m_ftLastWrite = medium.m_ftLastWrite;
        file.m_ftCreation = medium.m_ftCreation;
        CCDCase::TakeFileFacts(m_strCasePath, file);
        SRecordJsonFields fields = SRecordJsonFields::Of(medium);
        fields.m_name = m_strCasePath;
        fields.m_nSize = file.m_nSize;
        fields.m_dwFlags = file.m_dwFlags;
        fields.m_ftLastAccess = file.m_ftLastAccess;
        fields.m_ftLastWrite = file.m_ftLastWrite;
        fields.m_ftCreation = file.m_ftCreation;
        std::string line = "{\"path\":\"";
        AppendRecordJsonTail(line, fields);
        line += '\n';
        Out(line);
        m_open.push_back({kUnwritten, 0, 0, {}});
        return;
    }
    m_sizes.Open();
    const auto chain = static_cast<std::int32_t>(m_chains.size());
    m_chains.push_back({Chain(), {}});
    m_lines.push_back({chain, false, kUnwritten, kUnwritten});
    m_open.push_back({m_lines.size() - 1, 0, m_nDepth, std::move(m_path)});
    m_openChains.push_back(chain);
    m_path.clear();
    m_nDepth = 0;
}

void CJsonTreeWriter::EnterFolder(SRecordFacts& folder) {
    m_sizes.Open();
    m_lines.push_back({Chain(), true, kUnwritten, kUnwritten});
    m_open.push_back({m_lines.size() - 1, m_path.size(), 0, {}});
    AppendOwnPath(folder);
}

void CJsonTreeWriter::Entry(SRecordFacts& record) {
    m_sizes.Entry(record);
    SHeldLine& held = m_lines.emplace_back(SHeldLine{Chain(), true, kUnwritten, kUnwritten});
    // The line is the path above, the name escaped once, then the name again from there.
    SRecordJsonFields& fields = m_entryFields;
    fields.Take(record);
    const std::string_view name = record.PathSegment();
    char* at = HeldRoom(m_path.size() + 2 + JsonEscapedRoom(name) + RecordJsonTailRoom(fields) + 1);
    held.m_nBegin = m_nHeld;
    std::memcpy(at, m_path.data(), m_path.size());
    at += m_path.size();
    if (m_nDepth > 0) {
        *at++ = '\\';
        *at++ = '\\';
    }
    char* const nameAt = at;
    at = WriteJsonEscaped(at, name);
    fields.m_escapedName = std::string_view(nameAt, static_cast<std::size_t>(at - nameAt));
    at = WriteRecordJsonTail(at, fields);
    *at++ = '\n';
    m_nHeld = static_cast<std::size_t>(at - m_held.Data());
    held.m_nEnd = m_nHeld;
    if (m_open.size() <= 1) {
        WriteHeld();
    }
}

void CJsonTreeWriter::LeaveFolder(SRecordFacts& folder) {
    m_sizes.Close(folder);
    const SOpen open = std::move(m_open.back());
    m_open.pop_back();
    Hold(open.m_nLine, folder);
    m_path.resize(open.m_nPathLength);
    --m_nDepth;
    if (m_open.size() <= 1) {
        WriteHeld();
    }
}

void CJsonTreeWriter::EndMedium(SRecordFacts& medium) {
    m_sizes.Close(medium);
    SOpen open = std::move(m_open.back());
    m_open.pop_back();
    if (medium.m_class == RecordClass::Case) {
        WriteHeld();
        return;
    }
    m_chains[static_cast<std::size_t>(Chain())].m_escapedLabel.clear();
    AppendJsonEscaped(m_chains[static_cast<std::size_t>(Chain())].m_escapedLabel,
                      medium.PathSegment());
    // The medium's own line: its path is the labels alone.
    m_path.clear();
    Hold(open.m_nLine, medium);
    m_path = std::move(open.m_outerPath);
    m_nDepth = open.m_nOuterDepth;
    m_openChains.pop_back();
    if (m_open.size() <= 1) {
        WriteHeld();
    }
}

void CJsonTreeWriter::Finish(const SSinkResult&) {
    WriteHeld();
    Flush();
}

bool CJsonTreeWriter::Flush() {
    if (!m_out.empty() && !m_bWriteFailed) {
        m_bWriteFailed = !WriteAll(m_nOut, m_out);
    }
    m_out.clear();
    return !m_bWriteFailed;
}

void CJsonTreeWriter::AppendOwnPath(const SRecordFacts& record) {
    // Kept escaped: a "\" joins names, and escaping names one by one gives what
    // escaping the joined path would.
    if (m_nDepth > 0) {
        m_path += "\\\\";
    }
    AppendJsonEscaped(m_path, record.PathSegment());
    ++m_nDepth;
}

void CJsonTreeWriter::Hold(std::size_t line, const SRecordFacts& record) {
    SHeldLine& held = m_lines[line];
    const SRecordJsonFields fields = SRecordJsonFields::Of(record);
    const std::size_t path = held.m_bBelow ? m_path.size() : 0;
    char* at = HeldRoom(path + RecordJsonTailRoom(fields) + 1);
    held.m_nBegin = m_nHeld;
    std::memcpy(at, m_path.data(), path);
    at = WriteRecordJsonTail(at + path, fields);
    *at++ = '\n';
    m_nHeld = static_cast<std::size_t>(at - m_held.Data());
    held.m_nEnd = m_nHeld;
}

char* CJsonTreeWriter::HeldRoom(std::size_t room) {
    // The buffer only grows: making room again for every medium would fault it in again.
    if (m_held.Size() < m_nHeld + room) {
        CHugePageBlock larger(std::max(2 * m_held.Size(), m_nHeld + room));
        std::memcpy(larger.Data(), m_held.Data(), m_nHeld);
        m_held = std::move(larger);
    }
    return m_held.Data() + m_nHeld;
}

void CJsonTreeWriter::AppendPrefix(std::string& out, std::int32_t chain) const {
    if (chain < 0) {
        return;
    }
    const SChain& c = m_chains[static_cast<std::size_t>(chain)];
    AppendPrefix(out, c.m_nParent);
    if (c.m_nParent >= 0) {
        out += "\\\\";
    }
    out += c.m_escapedLabel;
}

void CJsonTreeWriter::BuildPrefixes() {
    m_prefixes.resize(2 * m_chains.size() + 1);
    for (std::size_t chain = 0; chain < m_chains.size(); ++chain) {
        std::string& own = m_prefixes[2 * chain];
        own = "{\"path\":\"";
        AppendPrefix(own, static_cast<std::int32_t>(chain));
        m_prefixes[2 * chain + 1] = own + "\\\\";
    }
    m_prefixes.back() = "{\"path\":\"";
}

void CJsonTreeWriter::WriteHeld() {
    Flush();
    BuildPrefixes();
    for (const SHeldLine& line : m_lines) {
        if (line.m_nBegin == kUnwritten) {
            continue; // a record still open (only after a damaged run)
        }
        const std::string& prefix =
            line.m_nChain < 0
                ? m_prefixes.back()
                : m_prefixes[2 * static_cast<std::size_t>(line.m_nChain) + (line.m_bBelow ? 1 : 0)];
        m_pieces[m_nPieces++] = {const_cast<char*>(prefix.data()), prefix.size()};
        m_pieces[m_nPieces++] = {m_held.Data() + line.m_nBegin, line.m_nEnd - line.m_nBegin};
        if (m_nPieces == m_pieces.size()) {
            WritePieces();
        }
    }
    WritePieces();
    m_lines.clear();
    m_nHeld = 0;
    if (m_openChains.empty()) {
        m_chains.clear();
    }
}

void CJsonTreeWriter::WritePieces() {
    if (!m_bWriteFailed && m_nPieces > 0) {
        m_bWriteFailed = !WriteAllGathered(m_nOut, std::span(m_pieces.data(), m_nPieces));
    }
    m_nPieces = 0;
}

void CJsonTreeWriter::Out(std::string_view text) {
    m_out += text;
    if (m_out.size() >= kWriteSize) {
        Flush();
    }
}

} // namespace quillora::cli
