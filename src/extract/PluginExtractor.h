// A comment extractor over one plug-in library, loaded with dlopen.
#pragma once

#include "extract/TextExtractor.h"

namespace quillora {

class CPluginExtractor : public CTextExtractor {
public:
    // A plug-in's line or value is not taken beyond this many bytes.
    static constexpr std::size_t kMaxPluginText = 256 * 1024;
    // Nor more than this many properties.
    static constexpr int kMaxPluginProperties = 256;

    CPluginExtractor() = default;
    ~CPluginExtractor() override;

    // Loads the library at `path` and looks up its entry points. False (nothing kept
    // loaded) when it does not load or lacks one of TOBgetName, TOBgetSupportType,
    // TOBcheckSuffix, TOBopen, TOBclose or of the other six. Takes name, support bits,
    // version and property table from it and sets the defaults the support bits
    // suggest.
    bool Load(const std::string& path);
    bool IsLoaded() const { return m_module != nullptr; }
    const std::string& LibraryPath() const { return m_strPath; }

    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
    bool Open(CExtractFile& file) override;
    void Close() override;
    bool GetLine(CExtractFile& file, std::string& line) override;
    bool ReadProperties(CExtractFile& file) override;

private:
    using GetString = const char* (*)();
    using GetInt = int (*)();
    using TakeString = int (*)(const char*);
    using Action = void (*)();
    using IndexInt = int (*)(int);
    using IndexString = const char* (*)(int);

    void Unload();
    static std::string Copy(const char* text);

    void* m_module = nullptr;
    std::string m_strPath;
    bool m_bOpen = false;
    GetString m_getName = nullptr;
    GetInt m_getSupportType = nullptr;
    TakeString m_checkSuffix = nullptr;
    GetString m_getDefaultSuffix = nullptr;
    TakeString m_open = nullptr;
    Action m_close = nullptr;
    GetString m_getLine = nullptr;
    GetInt m_getPropertyCount = nullptr;
    IndexInt m_getPropertyKey = nullptr;
    IndexString m_getPropertyTitle = nullptr;
    IndexString m_getPropertyValue = nullptr;
};

} // namespace quillora
