// The case file's schema numbers and what each one's records carry, as one table of
// capabilities read right after the class record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quillora {

class IPropertyDefinitionSource;

inline constexpr std::uint16_t kCurrentSchema = 12;

struct CaseSchema {
    int number = -1;
    bool supported = false;
    // Name of the loader in the log ("SFileInfo::SerializeVer1000() Throw"), or empty.
    const char* throwLine = "";
    int leadingIgnoredU16 = 0;    // u16 fields before the size (schemas 1-5)
    bool size64 = false;          // u64 size (6 and later), else u32
    bool oldFlagWord = false;     // archive type in bits 16-23 of the flag word (1-9)
    bool arcTypeU32 = false;      // schema 10: a u32 archive type after the flags
    bool arcTypeU16 = false;      // schemas 11-12: a u16 archive type
    bool ruleN = false;           // names cut to their last component (1-5)
    bool ruleM = false;           // "D:label" medium names (6-12)
    bool textCount = false;       // a count of texts before comment/category (8+)
    bool textCountU8 = false;     // that count is a u8 (11-12), else u32
    bool props = false;           // property set (9+)
    bool propCountU8 = false;     // its count is a u8 (11-12), else u32
    bool schema1Tail = false;     // schema 1: u32 ignored after the comment, no link/mark
    bool markU32 = false;         // mark and link flag as u32 (2, 4)
    bool data = false;            // stored contents (6+)
    bool extFields = false;       // m_wExtFlags and m_dwExtValue (11-12)
    bool childFlagWords = false;  // a u32 flag word before each child (11-12)
    bool passwordBlock = false;   // the case carries a password block (12)
    bool recalcAfterLoad = false; // sizes recomputed after loading (1, 2, 4, 5)
};

// The capabilities of a schema number; `supported` is false for 3, 13 and above.
CaseSchema SchemaFor(int number);

// Everything the record loaders share while one case file is read.
struct CaseLoadContext {
    CaseSchema schema;
    const IPropertyDefinitionSource* definitions = nullptr;
    int depth = 0;
};

// Nesting deeper than this is refused by the reader and never produced by the
// scanner, so that no tree can exhaust the stack.
inline constexpr int kMaxTreeDepth = 4096;

} // namespace quillora
