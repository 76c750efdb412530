// CSV import: the run over a list's text: its encoding chosen, its records split by the
// tokenizer, each line's fields mapped to values and the values placed into media.
#include "export/CCsvImporter.h"

#include "core/Text.h"
#include "export/CCsvRowMapper.h"
#include "export/CCsvTokenizer.h"
#include "export/CExportJob.h"
#include "export/CImportError.h"
#include "export/CListPlacement.h"
#include "export/CMappedFile.h"

#include <algorithm>
#include <cstring>

namespace quillora {

// One import: the state of reading one file.
class CCsvImporter::CRun {
public:
    CRun(const CFormCondition& preset, EImportEncoding encoding, CExportJob* job)
        : m_preset(preset), m_requested(encoding), m_pJob(job) {}

    SImportResult Run(std::string_view bytes) {
        SImportResult result;
        try {
            Read(bytes, result);
        } catch (const CImportError& e) {
            result = SImportResult{};
            result.m_status = SImportResult::EStatus::Failed;
            result.m_nLine = e.m_nLine;
            result.m_problem = e.m_problem;
            result.m_strValue = e.m_strValue;
            result.m_strError = "line " + std::to_string(e.m_nLine) + ": " + e.m_strText;
        } catch (const std::bad_alloc&) {
            result = SImportResult{};
            result.m_status = SImportResult::EStatus::Failed;
            result.m_problem = EImportProblem::NoMemory;
            result.m_strError = "not enough memory for the list";
        }
        return result;
    }

private:
    void Read(std::string_view bytes, SImportResult& result) {
        RefuseBinaryStart(bytes);
        ChooseEncoding(bytes);
        m_text = bytes;
        result.m_encoding = m_bUtf8 ? EExportEncoding::Utf8 : EExportEncoding::Cp932;
        CCsvTokenizer reader(bytes, m_preset.ItemSeparator());
        CCsvRowMapper mapper(m_preset, m_text, m_bUtf8, m_bChecked);
        CListPlacement placement;
        if (m_pJob) {
            m_pJob->SetTotal(bytes.size());
        }
        std::vector<SField> fields;
        std::uint64_t lines = 0;
        if (m_preset.PutTitle != 0 && !reader.AtEnd()) {
            // The title row says nothing the preset does not: it is passed over, whatever
            // words another program put there.
            reader.Next(fields);
            ++lines;
        }
        while (!reader.AtEnd()) {
            if (m_pJob && (lines & 0xFFF) == 0) {
                m_pJob->SetDone(reader.Position());
                if (m_pJob->Cancelled()) {
                    result.m_status = SImportResult::EStatus::Cancelled;
                    return;
                }
            }
            const std::uint64_t line = reader.Line();
            const std::size_t count = reader.Next(fields);
            ++lines;
            if (count == 1 && fields[0].m_text.empty()) {
                continue; // an empty line
            }
            SImportRow row;
            mapper.Map(fields, count, line, row);
            placement.Place(row, line);
        }
        if (m_pJob) {
            m_pJob->SetDone(bytes.size());
        }
        result.m_nLines = lines;
        result.m_nEntries = placement.Entries();
        result.m_nSkipped = placement.Skipped();
        result.m_pRoot = placement.TakeRoot();
    }

    // A NUL among the first bytes is refused before the whole text is looked at, so
    // that a large sparse or binary file costs no more than its first page.
    static void RefuseBinaryStart(std::string_view bytes) {
        const std::string_view head = bytes.substr(0, 4096);
        const std::size_t nul = head.find('\0');
        if (nul == std::string_view::npos) {
            return;
        }
        const auto breaks = std::count(head.begin(), head.begin() + nul, '\n');
        CImportError::Binary(static_cast<std::uint64_t>(breaks) + 1);
    }

    void ChooseEncoding(std::string_view& bytes) {
        const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
        if (bom) {
            bytes.remove_prefix(3);
        }
        switch (m_requested) {
        case EImportEncoding::Cp932:
            m_bUtf8 = false;
            break;
        case EImportEncoding::Utf8:
            m_bUtf8 = true;
            m_bChecked = text::FirstBadUtf8(bytes) == std::string_view::npos;
            break;
        case EImportEncoding::Detect:
            if (bom) {
                m_bUtf8 = true;
                m_bChecked = text::FirstBadUtf8(bytes) == std::string_view::npos;
            } else {
                // Plain ASCII reads the same either way: it counts as CP932.
                m_bUtf8 =
                    !text::IsAscii(bytes) && text::FirstBadUtf8(bytes) == std::string_view::npos;
                m_bChecked = m_bUtf8;
            }
            break;
        }
        // Valid as a whole, the fields need no check of their own. Otherwise each field is
        // checked, so that the error can name its line.
    }

    const CFormCondition& m_preset;
    EImportEncoding m_requested;
    CExportJob* m_pJob;
    bool m_bUtf8 = false;
    bool m_bChecked = false; // the whole text is known to be valid UTF-8
    std::string_view m_text;
};

CCsvImporter::CCsvImporter(const CFormCondition& preset, EImportEncoding encoding)
    : m_preset(preset), m_encoding(encoding) {}

SImportResult CCsvImporter::ImportFile(const std::string& path, CExportJob* job) {
    CMappedFile file(path, kMaxStreamedList);
    if (file.Error() != 0) {
        SImportResult result;
        result.m_status = SImportResult::EStatus::Failed;
        result.m_problem = EImportProblem::Unreadable;
        result.m_strValue = std::strerror(file.Error());
        result.m_strError = path + ": " + result.m_strValue;
        return result;
    }
    if (file.TooLong()) {
        SImportResult result;
        result.m_status = SImportResult::EStatus::Failed;
        result.m_problem = EImportProblem::TooLarge;
        result.m_strError = path + ": not a file, and more than " +
                            std::to_string(kMaxStreamedList >> 20) +
                            " MiB came from it (the most a list is read from a pipe or device)";
        return result;
    }
    SImportResult result = ImportBytes(file.Bytes(), job);
    if (result.m_status == SImportResult::EStatus::Failed) {
        result.m_strError = path + ": " + result.m_strError;
    }
    return result;
}

SImportResult CCsvImporter::ImportBytes(std::string_view bytes, CExportJob* job) {
    CRun run(m_preset, m_encoding, job);
    return run.Run(bytes);
}

} // namespace quillora
