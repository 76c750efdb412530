// tobimg: the pixel size of pictures and, from their Exif data, when and with which
// camera they were taken, through Exiv2 (which reads only the headers and metadata).
#include "common/PluginCore.h"
#include "common/PluginText.h"

#include <exiv2/exiv2.hpp>

#include <cstdio>

namespace quillora::plugin {

namespace {

enum Slot { kSize, kTaken, kCamera, kTitle, kAuthor };

const SInfo kInfo{
    "IMAGE",
    0x002,
    "JPG;JPEG;JPE;PNG;GIF;BMP;TIF;TIFF;WEBP;CR2;NEF;ORF;PEF;RAF;RW2;DNG;PSD;TGA",
    {{4097, "画像ｻｲｽﾞ"}, {10, "撮影日時"}, {4098, "ｶﾒﾗ"}, {1, "ﾀｲﾄﾙ"}, {6, "作者"}},
};

std::string ExifText(const Exiv2::ExifData& exif, const char* key) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? std::string() : TrimRight(it->toString());
}

// "2003:05:01 10:20:30" as "2003/05/01 10:20:30".
std::string ExifDate(std::string value) {
    if (value.size() >= 10 && value[4] == ':' && value[7] == ':') {
        value[4] = '/';
        value[7] = '/';
    }
    return value;
}

} // namespace

const SInfo& Info() {
    return kInfo;
}

std::unique_ptr<IDocument> Open(const std::string& path) {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
    if (!image.get()) {
        return nullptr;
    }
    image->readMetadata();
    auto doc = std::make_unique<IDocument>();
    doc->m_values.resize(kInfo.m_properties.size());
    const int width = image->pixelWidth();
    const int height = image->pixelHeight();
    const Exiv2::ExifData& exif = image->exifData();
    if (width > 0 && height > 0) {
        doc->m_values[kSize] = std::to_string(width) + "x" + std::to_string(height);
    } else {
        const std::string w = ExifText(exif, "Exif.Photo.PixelXDimension");
        const std::string h = ExifText(exif, "Exif.Photo.PixelYDimension");
        if (!w.empty() && !h.empty()) {
            doc->m_values[kSize] = w + "x" + h;
        }
    }
    std::string taken = ExifText(exif, "Exif.Photo.DateTimeOriginal");
    if (taken.empty()) {
        taken = ExifText(exif, "Exif.Image.DateTime");
    }
    doc->m_values[kTaken] = ExifDate(taken);
    std::string make = ExifText(exif, "Exif.Image.Make");
    const std::string model = ExifText(exif, "Exif.Image.Model");
    // Most cameras repeat their maker in the model name.
    if (!make.empty() && model.compare(0, make.size(), make) == 0) {
        make.clear();
    }
    doc->m_values[kCamera] = make.empty() ? model : model.empty() ? make : make + " " + model;
    doc->m_values[kTitle] = ExifText(exif, "Exif.Image.ImageDescription");
    doc->m_values[kAuthor] = ExifText(exif, "Exif.Image.Artist");
    return doc;
}

} // namespace quillora::plugin
