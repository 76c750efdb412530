// Model path <-> Linux path conversions.
#include "platform/OsPath.h"

#include "core/Text.h"

namespace quillora {

namespace {

// UTF-8 of U+F05C.
constexpr std::string_view kStandInUtf8 = "\xEF\x81\x9C";

// The text layer's escape of one byte: the UTF-8 form of U+DC00 + byte.
std::string EscapeByte(unsigned char byte) {
    const unsigned cp = 0xDC00u + byte;
    std::string out;
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
    return out;
}

template <typename Fn> std::string MapComponents(std::string_view path, char from, char to, Fn fn) {
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = path.find(from, start);
        const std::string_view part = path.substr(
            start, sep == std::string_view::npos ? std::string_view::npos : sep - start);
        out += fn(part);
        if (sep == std::string_view::npos) {
            break;
        }
        out += to;
        start = sep + 1;
    }
    return out;
}

} // namespace

void ModelNameFromOs(std::string_view osName, std::string& out) {
    // Most names are plain ASCII without "\": they stay as they are.
    bool plain = true;
    for (char c : osName) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') {
            plain = false;
            break;
        }
    }
    if (plain) {
        out.assign(osName);
        return;
    }
    out = ModelNameFromOs(osName);
}

std::string ModelNameFromOs(std::string_view osName) {
    const std::string utf8 = text::OsBytesToUtf8(osName);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        if (utf8.compare(i, kStandInUtf8.size(), kStandInUtf8) == 0) {
            // A genuine U+F05C: keep its bytes as escapes so it cannot turn into "\".
            for (char c : kStandInUtf8) {
                out += EscapeByte(static_cast<unsigned char>(c));
            }
            i += kStandInUtf8.size();
        } else if (utf8[i] == '\\') {
            out += kStandInUtf8;
            ++i;
        } else {
            out += utf8[i];
            ++i;
        }
    }
    return out;
}

std::string OsNameFromModel(std::string_view modelName) {
    std::string replaced;
    replaced.reserve(modelName.size());
    for (std::size_t i = 0; i < modelName.size();) {
        if (modelName.compare(i, kStandInUtf8.size(), kStandInUtf8) == 0) {
            replaced += '\\';
            i += kStandInUtf8.size();
        } else {
            replaced += modelName[i];
            ++i;
        }
    }
    return text::Utf8ToOsBytes(replaced);
}

std::string OsPathFromModel(std::string_view modelPath) {
    std::string path = MapComponents(modelPath, '\\', '/',
                                     [](std::string_view name) { return OsNameFromModel(name); });
    // A medium mounted at "/" has a location such as "/\home" (root, separator, name).
    if (path.size() > 1 && path[0] == '/' && path[1] == '/') {
        path.erase(0, 1);
    }
    return path;
}

std::string ModelPathFromOs(std::string_view osPath) {
    return MapComponents(osPath, '/', '\\',
                         [](std::string_view name) { return ModelNameFromOs(name); });
}

std::string OsPathBelow(std::string_view osRoot, std::string_view modelPath) {
    std::string out(osRoot);
    while (!modelPath.empty() && modelPath.front() == '\\') {
        modelPath.remove_prefix(1);
    }
    if (modelPath.empty()) {
        return out;
    }
    if (out.empty() || out.back() != '/') {
        out += '/';
    }
    out += OsPathFromModel(modelPath);
    return out;
}

} // namespace quillora
