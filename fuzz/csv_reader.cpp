// Fuzz target: the CSV and MediaMax reader on arbitrary bytes, under presets chosen by
// the first byte. Any input must end in media or in a reported line, never a crash or a
// hang; and what was read, written out again as a list, must read back.
#include "export/CCsvImporter.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"
#include "model/CCDCase.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace quillora;

namespace {

class CStringOutput : public IExportOutput {
public:
    void Write(std::string_view bytes) override { m_bytes.append(bytes); }
    std::string m_bytes;
};

CFormCondition Preset(std::uint8_t choice) {
    CFormCondition preset(choice & 0x80 ? EFormFormat::MediaMax : EFormFormat::Csv);
    switch (choice & 0x07) {
    case 0:
        break; // the format's defaults
    case 1:
        preset.Visible = MakeFormItems({3, 7, 8, 11, 13, 26});
        break;
    case 2:
        preset.Visible = MakeFormItems({1, 25, 14, 24, 9, 10});
        break;
    case 3:
        preset.Visible = MakeFormItems({2, 4, 5, 6, 12});
        break;
    default:
        preset.Visible = MakeFormItems({1, 2, 5, 7, 8, 9, 10, 11, 13, 26});
        break;
    }
    preset.ItemSep = 1 + (choice >> 3 & 0x03);
    preset.PutTitle = choice >> 5 & 1;
    preset.ConvCommentRCode = choice >> 6 & 1;
    preset.LabelSep = choice & 0x03;
    return preset;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const CFormCondition preset = Preset(data[0]);
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    SImportResult result = CCsvImporter(preset).ImportBytes(bytes);
    if (!result.Ok()) {
        return 0;
    }
    // Written again with a preset that carries every value, the media read back.
    CFormCondition writer(EFormFormat::Csv);
    writer.Visible = MakeFormItems({1, 25, 7, 8, 9, 10, 11, 13, 26, 14, 15});
    writer.ConvCommentRCode = 1;
    writer.PutTitle = 0;
    CStringOutput out;
    if (!MakeExporter(writer)->ExportToOutput(*result.m_pRoot, out).Ok()) {
        std::abort();
    }
    SImportResult again = CCsvImporter(writer).ImportBytes(out.m_bytes);
    if (!again.Ok()) {
        std::abort();
    }
    return 0;
}
