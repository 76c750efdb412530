// Fuzz target: the settings file and TobConfig.txt readers on arbitrary bytes. Whatever the
// settings reader accepts must write back to text that reads back the same.
#include "core/ProfileStore.h"
#include "core/TextConfig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    quillora::CProfileStore store;
    if (store.FromText(text)) {
        const std::string written = store.ToText();
        quillora::CProfileStore again;
        if (!again.FromText(written) || again.ToText() != written) {
            std::abort();
        }
        for (const std::string& section : store.SectionNames()) {
            store.SubSectionNames(section);
        }
    }
    quillora::CTextConfig config;
    config.Parse(text);
    config.GetBool("Main.Option.MediaAdd.AutoDetect", true);
    return 0;
}
