// The per-schema capability table.
#include "model/CaseSchema.h"

namespace quillora {

CaseSchema SchemaFor(int number) {
    CaseSchema s;
    s.number = number;
    switch (number) {
    case 1:
        s.supported = true;
        s.throwLine = "SFileInfo::SerializeVer1000B() Throw";
        s.leadingIgnoredU16 = 2;
        s.oldFlagWord = true;
        s.ruleN = true;
        s.schema1Tail = true;
        s.recalcAfterLoad = true;
        break;
    case 2:
    case 4:
        s.supported = true;
        s.throwLine = "SFileInfo::SerializeVer1000() Throw";
        s.leadingIgnoredU16 = 2;
        s.oldFlagWord = true;
        s.ruleN = true;
        s.markU32 = true;
        s.recalcAfterLoad = true;
        break;
    case 5:
        s.supported = true;
        s.leadingIgnoredU16 = 1;
        s.oldFlagWord = true;
        s.ruleN = true;
        s.recalcAfterLoad = true;
        break;
    case 6:
    case 7:
        s.supported = true;
        s.throwLine = "SFileInfo::SerializeVer1180() Throw";
        s.size64 = true;
        s.oldFlagWord = true;
        s.ruleM = true;
        s.data = true;
        break;
    case 8:
        s = SchemaFor(6);
        s.number = 8;
        s.throwLine = "SFileInfo::SerializeVer1222() Throw";
        s.textCount = true;
        break;
    case 9:
        s = SchemaFor(8);
        s.number = 9;
        s.throwLine = "SFileInfo::SerializeVer1243() Throw";
        s.props = true;
        break;
    case 10:
        s = SchemaFor(9);
        s.number = 10;
        s.throwLine = "SFileInfo::SerializeVer1275() Throw";
        s.oldFlagWord = false;
        s.arcTypeU32 = true;
        break;
    case 11:
    case 12:
        s.supported = true;
        s.throwLine = "SFileInfo::SerializeVer1282() Throw";
        s.size64 = true;
        s.arcTypeU16 = true;
        s.ruleM = true;
        s.textCount = true;
        s.textCountU8 = true;
        s.props = true;
        s.propCountU8 = true;
        s.data = true;
        s.extFields = true;
        s.childFlagWords = true;
        s.passwordBlock = number == 12;
        break;
    default:
        break;
    }
    return s;
}

} // namespace quillora
