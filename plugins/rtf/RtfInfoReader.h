// Our own bounded RTF reader: the document information group (\info: title, subject,
// author, keywords, comment, operator, company, manager, category, creation and
// revision times) and the body text paragraph by paragraph, decoding \'hh bytes in the
// document's code page (\ansicpg, or the font's \fcharset) and \uN characters, with
// the Unicode form of \upr groups (\*\ud) preferred over their ANSI form. It reads
// only as far as it is asked to: opening stops where the body text begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillora {

class CRtfInfoReader {
public:
    // Fills `buffer` with up to `n` bytes of the file; the count, 0 at the end.
    using Source = std::function<std::size_t(char* buffer, std::size_t n)>;

    // Bounds: input read, group nesting, one paragraph, one control word.
    static constexpr std::uint64_t kMaxInput = 64ull * 1024 * 1024;
    static constexpr int kMaxDepth = 512;
    static constexpr std::size_t kMaxLine = 64 * 1024;
    static constexpr std::size_t kMaxField = 8 * 1024;

    // The fields of the information group.
    enum EField {
        kTitle,
        kSubject,
        kAuthor,
        kKeywords,
        kComment,
        kOperator,
        kCompany,
        kManager,
        kCategory,
        kCreated,
        kRevised,
        kFieldCount
    };

    explicit CRtfInfoReader(Source source);

    // Checks the "{\rtf" signature and reads up to the start of the body text. False
    // when the input is no RTF.
    bool Open();
    // The information field (UTF-8, empty when absent).
    const std::string& Field(EField field) const { return m_fields[field]; }
    // The next paragraph of body text (UTF-8, without a line end); false at the end.
    bool NextLine(std::string& line);

private:
    struct SGroup {
        int m_dest = 0;     // EDest
        int m_field = -1;   // the information field being collected
        int m_uc = 1;       // characters that follow \uN in its ANSI form
        int m_codePage = 0; // of \'hh bytes in this group; 0 = the document's
        bool m_upr = false; // the next child group is the ANSI half of \upr
        int m_date[6] = {}; // \yr \mo \dy \hr \min \sec of \creatim and \revtim
    };

    int Get();
    bool Step();
    void ControlWord(const std::string& word, bool hasParam, long param);
    void Byte(unsigned char b);
    void Char(char32_t c);
    void Flush();
    void EndParagraph();
    void CloseGroup();
    int CodePage() const;
    std::string& Target();

    Source m_source;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_len = 0;
    std::uint64_t m_read = 0;
    bool m_end = false;
    int m_pushback = -1;

    std::vector<SGroup> m_groups;
    long m_overflow = 0; // open groups beyond kMaxDepth
    int m_skipChars = 0;
    bool m_star = false;
    int m_docCodePage = 1252;
    int m_font = -1;
    std::map<int, int> m_fontCodePages;
    std::string m_pending; // bytes in the current code page, not yet decoded
    int m_pendingCodePage = 0;
    bool m_pairOpen = false; // the last pending byte leads a double-byte character
    std::string m_fields[kFieldCount];
    std::string m_dropped; // text of destinations that are not kept
    std::string m_line;
    std::vector<std::string> m_ready; // finished paragraphs not yet handed out
    bool m_bodyStarted = false;
};

} // namespace quillora
