// The table of the list formats.
#include "export/FormFormat.h"

namespace quillora {

namespace {

constexpr SFormFormatInfo kFormats[] = {
    {EFormFormat::Csv, "CSVForm", "CSV", "CSV形式の設定"},
    {EFormFormat::Html, "HTMLForm", "HTML", "HTML形式の設定"},
    {EFormFormat::Tree, "TreeForm", "Tree", "Tree形式の設定"},
    {EFormFormat::MediaMax, "MMPForm", "MediaMax", "MediaMax形式の設定"},
};

} // namespace

const SFormFormatInfo& FormFormatInfo(EFormFormat format) {
    return kFormats[static_cast<int>(format)];
}

} // namespace quillora
