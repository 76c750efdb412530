// The comment edit dialog's data: texts, category choices, automatic extraction.
#include "model/CCommentEditModel.h"

#include "core/Text.h"
#include "model/SFileInfo.h"

namespace quillora {

namespace {

// The case, media and groups take no automatic extraction.
constexpr std::uint32_t kContainerMask = kFlagCase | kFlagMedium | kFlagGroup;

// Gives a record back the comment it had, however the extraction ends.
class CCommentKeeper {
public:
    explicit CCommentKeeper(SFileInfo& record) : m_record(record), m_strKept(record.Comment()) {
        m_record.SetComment({});
    }
    ~CCommentKeeper() { m_record.SetComment(std::move(m_strKept)); }
    CCommentKeeper(const CCommentKeeper&) = delete;
    CCommentKeeper& operator=(const CCommentKeeper&) = delete;

private:
    SFileInfo& m_record;
    std::string m_strKept;
};

} // namespace

CCommentEditModel::CCommentEditModel(SFileInfo& record, std::vector<std::string>& categories)
    : m_strComment(text::ToLf(record.Comment())), m_strCategory(record.Category()),
      m_record(record), m_categories(categories) {
    for (const std::string& category : categories) {
        if (!category.empty() && !IsChoice(category)) {
            m_choices.push_back(category);
        }
    }
}

std::string CCommentEditModel::Caption(const std::string& dialogCaption) const {
    return dialogCaption + " (" + m_record.GetDisplayName() + ")";
}

bool CCommentEditModel::CanExtract() const {
    return !m_record.HasFlags(kContainerMask);
}

bool CCommentEditModel::AutoExtract(const Extractor& extract) {
    if (!CanExtract() || !extract) {
        return false;
    }
    std::string extracted;
    {
        CCommentKeeper keeper(m_record);
        if (!extract(m_record)) {
            return false;
        }
        extracted = m_record.Comment();
    }
    m_strComment = text::ToLf(extracted);
    return true;
}

void CCommentEditModel::Accept() {
    if (m_strCategory.empty() || IsChoice(m_strCategory)) {
        return;
    }
    m_choices.push_back(m_strCategory);
    m_categories.push_back(m_strCategory);
}

void CCommentEditModel::ApplyTo(SFileInfo& record) const {
    record.SetComment(text::ToCrLf(m_strComment));
    record.SetCategory(m_strCategory);
}

bool CCommentEditModel::IsChoice(const std::string& category) const {
    for (const std::string& choice : m_choices) {
        if (text::EqualsNoCase(choice, category)) {
            return true;
        }
    }
    return false;
}

} // namespace quillora
