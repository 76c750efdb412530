// The document's comparison commands ("比較 ﾒﾃﾞｨｱ-ｹｰｽ", "比較 ｹｰｽ-ﾘﾝｸ先") and the two
// link-update commands ("更新 ﾒﾃﾞｨｱ->ﾘﾝｸ先", "更新 ﾘﾝｸ先->ﾒﾃﾞｨｱ"); "更新 ﾒﾃﾞｨｱ->ｹｰｽ"
// is the document's UpdateFromDrive.
#pragma once

namespace quillora {

class CCaseDocument;
class ICompareUi;
class IDocumentUi;
class SFileInfo;
class SVolumeInfo;

class CCompareCommands {
public:
    // Nothing is owned; all must outlive this object.
    CCompareCommands(CCaseDocument& doc, IDocumentUi& ui, ICompareUi& compareUi)
        : m_doc(doc), m_ui(ui), m_compareUi(compareUi) {}

    // The medium of the selection in the compare dialog's media-case mode, when the
    // mount check finds it in a drive; message 209 otherwise. Nothing happens when
    // the selection lies in no medium.
    void CompareMediumWithCase(SFileInfo* selection);
    // The medium of the selection in the case-link mode; no mount check.
    void CompareCaseWithLinks(SFileInfo* selection);
    // The selection's medium (present, else message 209), or every present medium
    // when the selection is the case: files go to the link targets that are missing
    // or older. False when nothing was tried.
    bool UpdateLinksFromMedium(SFileInfo* selection);
    // The selection's medium (present, else message 209): newer link targets and
    // new entries of linked folders are copied onto it; when anything was copied,
    // message 241 asks whether to re-register the medium. False when nothing was
    // tried.
    bool UpdateMediumFromLinks(SFileInfo* selection);

private:
    // The selection's medium when the mount check finds it present; message 209
    // when it is absent; null for a selection outside every medium.
    SVolumeInfo* PresentMedium(SFileInfo* selection);

    CCaseDocument& m_doc;
    IDocumentUi& m_ui;
    ICompareUi& m_compareUi;
};

} // namespace quillora
