// CCommentEditModel: what the comment edit dialog works on, without the dialog: the
// two texts being edited, the category choices, the automatic extraction that keeps
// the record's own comment, and taking a new category into the configured list.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

class CCommentEditModel {
public:
    // Runs the comment extraction on a record: fills its comment (and perhaps its
    // property set); false when nothing could be extracted.
    using Extractor = std::function<bool(SFileInfo& record)>;

    // Starts from the record's comment (its line breaks shown as LF) and category. `categories` is
    // the configured category list; it must outlive the model, which adds to it on Accept.
    CCommentEditModel(SFileInfo& record, std::vector<std::string>& categories);

    // The dialog's caption followed by " (" + the record's display name + ")".
    std::string Caption(const std::string& dialogCaption) const;

    // The configured categories for the combo box: each non-empty one once (compared
    // without regard to case), in their configured order.
    const std::vector<std::string>& CategoryChoices() const { return m_choices; }

    // The automatic extraction is offered for files and folders, not for the case,
    // media and groups.
    bool CanExtract() const;

    // Runs `extract` on the record with its comment set aside and cleared, takes the
    // extracted comment into the edited comment (when the extraction succeeds) and
    // gives the record its own comment back, even when `extract` throws. The caller
    // makes sure the medium is present first.
    bool AutoExtract(const Extractor& extract);

    // OK: a non-empty category that is not yet a choice joins the choices and the
    // configured list.
    void Accept();

    // Stores the edited comment (with CR LF line breaks, as case files keep them) and
    // category into the record.
    void ApplyTo(SFileInfo& record) const;

    std::string m_strComment;
    std::string m_strCategory;

private:
    bool IsChoice(const std::string& category) const;

    SFileInfo& m_record;
    std::vector<std::string>& m_categories;
    std::vector<std::string> m_choices;
};

} // namespace quillora
