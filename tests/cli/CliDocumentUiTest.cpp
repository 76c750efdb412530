// The command line's document front end: what reaches stderr is the command line's
// own English, also for a folder that goes away between the command's check and the
// scan.
#include "cli/CliDocumentUi.h"
#include "cli/CliCaseDocument.h"
#include "document/CCaseDocument.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

namespace quillora::cli {
namespace {

TEST(CliDocumentUi, AFolderGoneBeforeTheScanIsReportedInTheCommandLinesWords) {
    test::ScratchDir dir;
    const std::string gone = (dir / "gone").string();
    CCliDocumentUi ui(std::nullopt);
    CCliCaseDocument session(ui);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(session.Doc().DoSetCD(gone, nullptr, nullptr, nullptr, 0), nullptr);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(gone + ": the folder is no longer there"), std::string::npos) << err;
    EXPECT_EQ(err.find("ﾒﾃﾞｨｱ"), std::string::npos) << "no message of the desktop program";
    EXPECT_EQ(session.Doc().Case().ChildCount(), 0u);
}

} // namespace
} // namespace quillora::cli
