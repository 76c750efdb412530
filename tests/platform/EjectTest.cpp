// Eject runs its program with an argument vector; a stand-in program records the
// arguments it got and the real one refuses a path that is no drive.
#include "platform/Eject.h"
#include "PlatformTestTools.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

namespace {

struct ProgramReset {
    ~ProgramReset() { CEject::SetProgram("eject"); }
};

std::string MakeScript(const ScratchDir& dir, const std::string& name, const std::string& body) {
    const auto path = dir.Write(name, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path.string();
}

} // namespace

TEST(Eject, ArgumentsReachTheProgramUntouched) {
    ScratchDir dir;
    ProgramReset reset;
    const std::string log = (dir / "args.txt").string();
    CEject::SetProgram(MakeScript(
        dir, "fake-eject", "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log + "'; done\n"));
    const std::string target = "/media/u/My Disc; touch " + (dir / "owned").string();
    std::string error;
    EXPECT_TRUE(CEject::EjectDrive(target, &error)) << error;
    EXPECT_EQ(ReadFileBytes(log), "--\n" + target + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "owned")) << "no shell may see the path";
}

TEST(Eject, FailuresCarryTheProgramsMessage) {
    ScratchDir dir;
    ProgramReset reset;
    CEject::SetProgram(MakeScript(dir, "failing-eject", "echo 'unable to eject' >&2\nexit 1\n"));
    std::string error;
    EXPECT_FALSE(CEject::EjectDrive("/media/u/DISC", &error));
    EXPECT_EQ(error, "unable to eject");

    CEject::SetProgram((dir / "no-such-program").string());
    EXPECT_FALSE(CEject::EjectDrive("/media/u/DISC", &error));
    EXPECT_NE(error.find("cannot run"), std::string::npos) << error;

    EXPECT_FALSE(CEject::EjectDrive("", &error));
}

TEST(Eject, RealProgramRefusesAPathThatIsNoDrive) {
    if (quillora::test::FindTool("eject").empty()) {
        GTEST_SKIP() << "eject is not installed";
    }
    ScratchDir dir;
    std::string error;
    EXPECT_FALSE(CEject::EjectDrive((dir / "nothing-here").string(), &error));
    EXPECT_FALSE(error.empty());
}
