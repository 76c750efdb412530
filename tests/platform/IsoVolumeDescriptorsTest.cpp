// ISO 9660 identity: the descriptor checksum on exact bytes, bounded reading of
// damaged images, and real images made by genisoimage with and without Joliet.
#include "platform/IsoVolumeDescriptors.h"
#include "PlatformTestTools.h"
#include "support/ScratchDir.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::RunTool;
using quillora::test::ScratchDir;

namespace {

constexpr std::size_t kSector = 2048;

std::string Descriptor(unsigned char type, std::string_view volumeId = {},
                       std::string_view escape = {}) {
    std::string d(kSector, '\0');
    d[0] = static_cast<char>(type);
    d.replace(1, 5, "CD001");
    d[6] = 1;
    if (!volumeId.empty()) {
        d.replace(40, volumeId.size(), volumeId);
    }
    if (!escape.empty()) {
        d.replace(88, escape.size(), escape);
    }
    return d;
}

std::string Ucs2Be(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

// The checksum worked out here independently of the code under test.
std::uint32_t SumPositions(std::string_view sector) {
    std::uint32_t sums[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < sector.size(); ++i) {
        sums[i % 4] += static_cast<unsigned char>(sector[i]);
    }
    return (sums[0] & 0xFF) << 24 | (sums[1] & 0xFF) << 16 | (sums[2] & 0xFF) << 8 |
           (sums[3] & 0xFF);
}

// The first descriptor of the given type from sector 16 (Joliet: type 2 with "%/").
std::string FindDescriptor(const std::string& image, unsigned char type) {
    for (std::size_t off = 16 * kSector; off + kSector <= image.size(); off += kSector) {
        const unsigned char t = static_cast<unsigned char>(image[off]);
        if (t == 255) {
            break;
        }
        if (t == type && (type != 2 || image.compare(off + 88, 2, "%/") == 0)) {
            return image.substr(off, kSector);
        }
    }
    return {};
}

std::string Image(const std::vector<std::string>& descriptors) {
    std::string image(16 * kSector, '\0');
    for (const std::string& d : descriptors) {
        image += d;
    }
    return image;
}

bool MakeIso(const ScratchDir& dir, const std::string& name, std::vector<std::string> options) {
    dir.Write("content/readme.txt", "hello");
    std::vector<std::string> argv = {"genisoimage", "-quiet", "-o", (dir / name).string()};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back((dir / "content").string());
    return RunTool(argv) == 0;
}

} // namespace

TEST(IsoVolumeDescriptors, ChecksumAddsBytePositionsModulo256) {
    std::string d(kSector, '\0');
    d[0] = 0x12;
    d[1] = 0x34;
    d[2] = 0x56;
    d[3] = 0x78;
    d[4] = 0x01; // lands in the first sum again
    EXPECT_EQ(CIsoVolumeDescriptors::Checksum(d), 0x13345678u);
    d[8] = static_cast<char>(0xFF); // 0x13 + 0xFF wraps to 0x12
    d[2047] = 0x10;                 // last byte belongs to the fourth sum
    EXPECT_EQ(CIsoVolumeDescriptors::Checksum(d), 0x12345688u);
}

TEST(IsoVolumeDescriptors, JolietIsPreferredForSerialAndLabel) {
    const std::string primary = Descriptor(1, "PRIMARY_LABEL");
    const std::string joliet = Descriptor(2, Ucs2Be(u"ジョリエット名前ABCDEFGHIJ"), "%/E");
    ScratchDir dir;
    const auto path = dir.Write("j.iso", Image({primary, joliet, Descriptor(255)}));
    const auto id = CIsoVolumeDescriptors::ReadFile(path.string());
    ASSERT_TRUE(id);
    EXPECT_TRUE(id->m_joliet);
    EXPECT_EQ(id->m_serial, SumPositions(joliet));
    EXPECT_EQ(id->m_label, "ジョリエット名前ABCDEFGH") << "16 UCS-2 characters at most";

    // A supplementary descriptor with other escape sequences is not Joliet.
    const auto plain =
        dir.Write("p.iso", Image({primary, Descriptor(2, "OTHER", "%/G"), Descriptor(255)}));
    const auto id2 = CIsoVolumeDescriptors::ReadFile(plain.string());
    ASSERT_TRUE(id2);
    EXPECT_FALSE(id2->m_joliet);
    EXPECT_EQ(id2->m_serial, SumPositions(primary));
    EXPECT_EQ(id2->m_label, "PRIMARY_LABEL");
}

TEST(IsoVolumeDescriptors, DamagedImagesAreBounded) {
    ScratchDir dir;
    // Too short for sector 16.
    EXPECT_FALSE(CIsoVolumeDescriptors::ReadFile(dir.Write("short.iso", "CD001").string()));
    // Cut in the middle of the primary descriptor.
    const std::string cut = Image({Descriptor(1, "X")}).substr(0, 16 * kSector + 100);
    EXPECT_FALSE(CIsoVolumeDescriptors::ReadFile(dir.Write("cut.iso", cut).string()));
    // No primary descriptor at all.
    EXPECT_FALSE(CIsoVolumeDescriptors::ReadFile(
        dir.Write("svd.iso", Image({Descriptor(2, "X", "%/E"), Descriptor(255)})).string()));
    // No terminator, the set simply ends: the primary found is still used.
    const auto open = CIsoVolumeDescriptors::ReadFile(
        dir.Write("noterm.iso", Image({Descriptor(1, "ONLY")})).string());
    ASSERT_TRUE(open);
    EXPECT_EQ(open->m_label, "ONLY");
    // A Joliet descriptor after the terminator does not count.
    const auto late = CIsoVolumeDescriptors::ReadFile(
        dir.Write("late.iso",
                  Image({Descriptor(1, "P"), Descriptor(255), Descriptor(2, Ucs2Be(u"J"), "%/@")}))
            .string());
    ASSERT_TRUE(late);
    EXPECT_FALSE(late->m_joliet);
    EXPECT_FALSE(CIsoVolumeDescriptors::ReadFile((dir / "missing.iso").string()));
}

TEST(IsoVolumeDescriptors, RealImagesWithAndWithoutJoliet) {
    ScratchDir dir;
    if (!MakeIso(dir, "plain.iso", {"-V", "PRIMLBL"})) {
        GTEST_SKIP() << "genisoimage is not installed";
    }
    const std::string plain = ReadFileBytes(dir / "plain.iso");
    const auto plainId = CIsoVolumeDescriptors::ReadFile((dir / "plain.iso").string());
    ASSERT_TRUE(plainId);
    EXPECT_FALSE(plainId->m_joliet);
    EXPECT_EQ(plainId->m_label, "PRIMLBL");
    EXPECT_EQ(plainId->m_serial, SumPositions(plain.substr(16 * kSector, kSector)));
    EXPECT_EQ(plainId->m_totalBytes, plain.size());

    ASSERT_TRUE(MakeIso(dir, "joliet.iso", {"-J", "-V", "日本語ラベル"}));
    const std::string joliet = ReadFileBytes(dir / "joliet.iso");
    const std::string svd = FindDescriptor(joliet, 2);
    ASSERT_FALSE(svd.empty());
    const auto jolietId = CIsoVolumeDescriptors::ReadFile((dir / "joliet.iso").string());
    ASSERT_TRUE(jolietId);
    EXPECT_TRUE(jolietId->m_joliet);
    EXPECT_EQ(jolietId->m_label, "日本語ラベル");
    EXPECT_EQ(jolietId->m_serial, SumPositions(svd));
    EXPECT_NE(jolietId->m_serial, SumPositions(FindDescriptor(joliet, 1)));
}

TEST(IsoVolumeDescriptors, JolietLabelWinsOverADifferentPrimaryLabel) {
    ScratchDir dir;
    if (!MakeIso(dir, "j.iso", {"-J", "-V", "JOLIETNAME"})) {
        GTEST_SKIP() << "genisoimage is not installed";
    }
    // Give the primary descriptor a label of its own, as other mastering tools do.
    std::string image = ReadFileBytes(dir / "j.iso");
    std::string primaryId = "PRIMARYNAME";
    primaryId.resize(32, ' ');
    image.replace(16 * kSector + 40, 32, primaryId);
    const auto path = dir.Write("patched.iso", image);
    const auto id = CIsoVolumeDescriptors::ReadFile(path.string());
    ASSERT_TRUE(id);
    EXPECT_EQ(id->m_label, "JOLIETNAME");
    EXPECT_EQ(id->m_serial, SumPositions(FindDescriptor(image, 2)));
}
