// Base behaviour of the comment extractors.
#include "extract/TextExtractor.h"

#include "core/ProfileStore.h"
#include "core/Text.h"
#include "extract/CharMaps.h"
#include "extract/ExtractFile.h"

#include <algorithm>

namespace quillora {

bool IsValidDocTarget(int target) {
    switch (target) {
    case kTargetNothing:
    case kTargetTitle:
    case kTargetProperties:
    case kTargetFullText:
    case kTargetBodyBySize:
    case kTargetBodyByLines:
        return true;
    default:
        return false;
    }
}

bool CTextExtractor::CheckSuffix(const std::string&) {
    return true;
}

void CTextExtractor::GetDefaultSuffix(std::string&) {}

bool CTextExtractor::IsTarget(CExtractFile&, const std::string& upperSuffix) {
    return CheckSuffix(upperSuffix);
}

bool CTextExtractor::IsControlChar(unsigned char c) {
    return c <= 8 || c == 11 || c == 12 || (c >= 14 && c <= 31);
}

void CTextExtractor::MapChars(std::string_view text, std::string& out) {
    out = charmaps::MapChars(text, m_bMapHankaku != 0, m_bMapOubun != 0, m_bMapEibun != 0);
}

void CTextExtractor::ProcessSpaces(std::string& line) {
    charmaps::ProcessSpaces(line, m_nConvSpace);
}

bool CTextExtractor::CanRead(CExtractFile&) {
    return true;
}

bool CTextExtractor::Open(CExtractFile&) {
    m_bEnd = 0;
    return true;
}

bool CTextExtractor::IsEnd() {
    return m_bEnd != 0;
}

void CTextExtractor::Close() {}

bool CTextExtractor::GetLine(CExtractFile& file, std::string& line) {
    if (!file.GetRawLine(line)) {
        m_bEnd = 1;
        return false;
    }
    return true;
}

bool CTextExtractor::GetTitle(CExtractFile&, std::string& out) {
    const std::string* title = PropertyValue(1);
    if (!title) {
        return false;
    }
    if (AnyMapOn()) {
        MapChars(*title, out);
    } else {
        out = *title;
    }
    return true;
}

bool CTextExtractor::GetBody(CExtractFile& file, std::string& out) {
    std::size_t total = 0;
    int lines = 0;
    std::string line;
    std::string mapped;
    while (GetLine(file, line)) {
        if (m_bDelEmptyLine && charmaps::IsBlank(line)) {
            continue;
        }
        if (m_nConvRCode == 1) {
            charmaps::RemoveLineEnd(line);
        }
        if (line.empty()) {
            continue;
        }
        ProcessSpaces(line);
        if (line.empty()) {
            continue;
        }
        if (AnyMapOn()) {
            MapChars(line, mapped);
            line.swap(mapped);
            if (line.empty()) {
                continue;
            }
        }
        if (m_nDocTarget == kTargetBodyBySize) {
            const std::size_t limit = static_cast<std::size_t>(std::max(m_nDocSize, 0));
            const std::size_t width = text::Cp932Width(line);
            if (total + width > limit) {
                out += text::TruncateCp932Width(line, limit - total);
                break;
            }
            out += line;
            total += width;
        } else if (m_nDocTarget == kTargetBodyByLines) {
            out += line;
            if (++lines >= m_nDocLine) {
                break;
            }
        } else {
            if (out.size() + line.size() > kMaxFullText) {
                out += text::TruncateCp932Width(line, kMaxFullText - out.size());
                break;
            }
            out += line;
        }
    }
    if (m_bNotText) {
        out.clear();
    } else if (m_nConvRCode == 2) {
        charmaps::CompressLineEnds(out);
    }
    return !out.empty();
}

bool CTextExtractor::Extract(CExtractFile& file, std::string& text,
                             std::unique_ptr<CPropertySet>* props) {
    m_bNotText = 0;
    file.Rewind();
    if (!CanRead(file)) {
        return false;
    }
    file.Rewind();
    text.clear();
    if (!Open(file)) {
        Close();
        return false;
    }
    bool propertiesRead = true;
    if (m_dwSupport & kSupportProperties) {
        file.Rewind();
        ClearPropertyValues();
        const bool ok = ReadProperties(file);
        propertiesRead = ok;
        if (props) {
            props->reset();
            if (ok && m_bPropUse) {
                *props = MakePropertySet();
            }
        }
    }
    file.Rewind();
    bool result = false;
    switch (m_nDocTarget) {
    case kTargetNothing:
        result = true;
        break;
    // A file whose properties could not be read is not one of this extractor's: the
    // next extractor for the suffix gets its turn.
    case kTargetTitle:
        result = propertiesRead && GetTitle(file, text);
        break;
    case kTargetProperties:
        result = propertiesRead && PropertiesText(text);
        break;
    case kTargetFullText:
    case kTargetBodyBySize:
    case kTargetBodyByLines:
        result = GetBody(file, text);
        break;
    default:
        result = false;
        break;
    }
    Close();
    return result;
}

bool CTextExtractor::ReadProperties(CExtractFile&) {
    return false;
}

bool CTextExtractor::PropertiesText(std::string& out) {
    out.clear();
    std::string title;
    std::string value;
    for (const SExtractProperty& p : m_properties) {
        if (AnyMapOn()) {
            MapChars(p.m_strTitle, title);
            MapChars(p.m_strValue, value);
        } else {
            title = p.m_strTitle;
            value = p.m_strValue;
        }
        out += title;
        out += '=';
        out += value;
        out += m_nConvRCode == 1 ? "," : "\r\n";
    }
    return !out.empty();
}

std::unique_ptr<CPropertySet> CTextExtractor::MakePropertySet() {
    auto set = std::make_unique<CPropertySet>(&m_definition);
    auto& values = set->Values();
    for (std::size_t i = 0; i < m_properties.size() && i < values.size(); ++i) {
        if (AnyMapOn()) {
            MapChars(m_properties[i].m_strValue, values[i]);
        } else {
            values[i] = m_properties[i].m_strValue;
        }
    }
    return set;
}

void CTextExtractor::LoadSettings(const CProfileStore& store, std::string_view section) {
    const std::string key = std::string(section) + "\\" + m_strName;
    auto flag = [&](const char* name, int current) {
        return store.GetInt(key, name, current) != 0 ? 1 : 0;
    };
    auto ranged = [&](const char* name, int current, int low, int high) {
        const int v = store.GetInt(key, name, current);
        return v < low || v > high ? current : v;
    };
    m_bEnable = flag("Enable", m_bEnable);
    m_bPropUse = flag("PropUse", m_bPropUse);
    const int target = store.GetInt(key, "DocTarget", m_nDocTarget);
    if (IsValidDocTarget(target)) {
        m_nDocTarget = target;
    }
    m_nDocSize = ranged("DocSize", m_nDocSize, kMinDocSize, kMaxDocSize);
    m_nDocLine = ranged("DocLine", m_nDocLine, kMinDocLine, kMaxDocLine);
    m_nConvRCode = ranged("ConvRCode", m_nConvRCode, 0, 2);
    m_nConvSpace = ranged("ConvSpace", m_nConvSpace, 0, 2);
    m_bDelEmptyLine = flag("DelEmptyLine", m_bDelEmptyLine);
    m_bMapHankaku = flag("MapHakakuToZenkaku", m_bMapHankaku);
    m_bMapOubun = flag("MapOubunZenToHan", m_bMapOubun);
    m_bMapEibun = flag("MapEibunZenToHan", m_bMapEibun);
}

void CTextExtractor::SaveSettings(CProfileStore& store, std::string_view section) const {
    const std::string key = std::string(section) + "\\" + m_strName;
    store.SetInt(key, "Enable", m_bEnable);
    store.SetInt(key, "PropUse", m_bPropUse);
    store.SetInt(key, "DocTarget", m_nDocTarget);
    store.SetInt(key, "DocSize", m_nDocSize);
    store.SetInt(key, "DocLine", m_nDocLine);
    store.SetInt(key, "ConvRCode", m_nConvRCode);
    store.SetInt(key, "ConvSpace", m_nConvSpace);
    store.SetInt(key, "DelEmptyLine", m_bDelEmptyLine);
    store.SetInt(key, "MapHakakuToZenkaku", m_bMapHankaku);
    store.SetInt(key, "MapOubunZenToHan", m_bMapOubun);
    store.SetInt(key, "MapEibunZenToHan", m_bMapEibun);
}

CTextExtractor::SSettings CTextExtractor::Settings() const {
    return {m_bEnable,    m_bPropUse,      m_nDocTarget,  m_nDocSize,  m_nDocLine, m_nConvSpace,
            m_nConvRCode, m_bDelEmptyLine, m_bMapHankaku, m_bMapOubun, m_bMapEibun};
}

void CTextExtractor::Apply(const SSettings& s) {
    m_bEnable = s.m_bEnable;
    m_bPropUse = s.m_bPropUse;
    m_nDocTarget = s.m_nDocTarget;
    m_nDocSize = s.m_nDocSize;
    m_nDocLine = s.m_nDocLine;
    m_nConvSpace = s.m_nConvSpace;
    m_nConvRCode = s.m_nConvRCode;
    m_bDelEmptyLine = s.m_bDelEmptyLine;
    m_bMapHankaku = s.m_bMapHankaku;
    m_bMapOubun = s.m_bMapOubun;
    m_bMapEibun = s.m_bMapEibun;
}

void CTextExtractor::CopySettings(const CTextExtractor& from) {
    Apply(from.Settings());
}

void CTextExtractor::CopyAll(const CTextExtractor& from) {
    m_bConfigurable = from.m_bConfigurable;
    SetName(from.m_strName);
    m_strVersion = from.m_strVersion;
    m_dwSupport = from.m_dwSupport;
    SetPropertyTable(from.m_properties);
    m_defaults = from.m_defaults;
    CopySettings(from);
}

void CTextExtractor::ResetSettings() {
    Apply(m_defaults);
}

void CTextExtractor::KeepDefaults() {
    m_defaults = Settings();
}

void CTextExtractor::SetName(std::string name) {
    m_strName = std::move(name);
    m_definition.m_strName = m_strName;
}

void CTextExtractor::SetPropertyTable(std::vector<SExtractProperty> table) {
    m_properties = std::move(table);
    m_definition.m_itemKeys.clear();
    for (SExtractProperty& p : m_properties) {
        p.m_strValue.clear();
        m_definition.m_itemKeys.push_back(p.m_nKey);
    }
}

void CTextExtractor::SetPropertyValue(int key, std::string_view value) {
    auto it = std::find_if(m_properties.begin(), m_properties.end(),
                           [key](const SExtractProperty& p) { return p.m_nKey == key; });
    if (it == m_properties.end()) {
        return;
    }
    std::string v(value);
    if (m_bDelEmptyLine && charmaps::IsBlank(v)) {
        v.clear();
    }
    if (m_nConvRCode == 1) {
        charmaps::RemoveLineEnd(v);
    }
    ProcessSpaces(v);
    if (m_bMapHankaku) {
        std::string mapped;
        MapChars(v, mapped);
        v.swap(mapped);
    }
    it->m_strValue = std::move(v);
}

const std::string* CTextExtractor::PropertyValue(int key) const {
    for (const SExtractProperty& p : m_properties) {
        if (p.m_nKey == key) {
            return &p.m_strValue;
        }
    }
    return nullptr;
}

void CTextExtractor::ClearPropertyValues() {
    for (SExtractProperty& p : m_properties) {
        p.m_strValue.clear();
    }
}

} // namespace quillora
