// Pictures of this program's option and print dialogs for people to look at: with
// QUILLORA_SHOTS set to a folder, each dialog is shown on every page and saved there as
// a PNG (run under Xvfb, also with QT_SCALE_FACTOR=1.5). Skipped otherwise.
#include "GuiTestApp.h"
#include "app/media/CCDInsertDlg.h"
#include "app/media/CChangeListDlg.h"
#include "app/media/CMediaSelectDlg.h"
#include "app/options/COptMeltPage.h"
#include "app/options/COptionDlg.h"
#include "app/print/CPrintDlg.h"
#include "core/ConfigData.h"
#include "export/CPrintFormSet.h"
#include "model/SVolumeInfo.h"
#include "platform/DriveList.h"
#include "scan/ArchiverSet.h"
#include "support/ScratchDir.h"

#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace quillora {
namespace {

std::string ShotFolder() {
    const char* folder = std::getenv("QUILLORA_SHOTS");
    return folder ? folder : "";
}

void Save(QWidget& widget, const std::string& name) {
    widget.show();
    widget.activateWindow();
    QTest::qWait(150);
    widget.grab().save(QString::fromStdString(ShotFolder() + "/" + name + ".png"));
}

TEST(DialogShots, OptionSheet) {
    if (ShotFolder().empty()) {
        GTEST_SKIP() << "set QUILLORA_SHOTS to a folder to take the pictures";
    }
    test::GuiApp();
    CConfigData config;
    CArchiverSet archivers;
    archivers.LoadAll();
    SOptionContext context;
    context.m_archivers = COptMeltPage::KindsOf(archivers);
    context.m_drives = CDriveList::Read();
    COptionDlg sheet(config, context);
    for (int page = 0; page < COptionDlg::kPageCount; ++page) {
        sheet.ShowPage(page);
        Save(sheet, "options-" + std::to_string(page + 1));
    }
    archivers.UnloadAll();
}

TEST(DialogShots, PrintDialog) {
    if (ShotFolder().empty()) {
        GTEST_SKIP() << "set QUILLORA_SHOTS to a folder to take the pictures";
    }
    test::GuiApp();
    auto root = test::MakeSampleCase();
    CFormConditionSet set = CPrintFormSet::MakeSet();
    CPrintDlg dialog(set, root.get(), root.get(), {});
    auto* tabs = dialog.Tabs();
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        Save(dialog, "print-" + std::to_string(page + 1));
    }
    // With rows left out by the limit the dialog says so.
    tabs->setCurrentIndex(0);
    dialog.findChild<QSpinBox*>("TargetRows")->setValue(3);
    Save(dialog, "print-row-limit");
}

TEST(DialogShots, MediaSelect) {
    if (ShotFolder().empty()) {
        GTEST_SKIP() << "set QUILLORA_SHOTS to a folder to take the pictures";
    }
    test::GuiApp();
    auto root = test::MakeSampleCase();
    auto* disc = static_cast<SVolumeInfo*>(root->ChildAt(0));
    disc->m_dwSerial = 0x12AB00CD;
    SMediaSelectRequest request;
    request.m_strLabel = "Disc";
    request.m_strDriveName = "DISC";
    request.m_dwSerial = 0x12AB00CD;
    request.m_candidates = {disc};
    CMediaSelectDlg dialog(request);
    Save(dialog, "media-select");
}

TEST(DialogShots, LoadingDialogAfterARescan) {
    if (ShotFolder().empty()) {
        GTEST_SKIP() << "set QUILLORA_SHOTS to a folder to take the pictures";
    }
    test::GuiApp();
    test::ScratchDir scratch;
    for (const char* name : {"photos/2001/a.jpg", "photos/2001/b.jpg", "notes/todo.txt", "c.txt"}) {
        scratch.Write(name, name);
    }
    auto scan = [&](const SVolumeInfo* previous, bool keepOpen,
                    const std::function<void(CCDInsertDlg&)>& look) {
        CCDInsertDlg dialog(scratch.Path().string(), nullptr, nullptr, 3);
        dialog.SetPrevious(previous);
        dialog.show();
        while (!dialog.IsShowingReport() && dialog.result() == 0) {
            QTest::qWait(20);
        }
        if (keepOpen && look) {
            look(dialog);
        }
        dialog.AcceptReport();
        return dialog.TakeResult();
    };
    const auto first = scan(nullptr, false, {});
    scratch.Write("notes/todo.txt", "a longer list of things to do");
    scratch.Write("photos/2002/new.jpg", "new");
    std::filesystem::rename(scratch / "c.txt", scratch / "notes/c.txt");
    std::filesystem::remove(scratch / "photos/2001/b.jpg");
    scan(first.get(), true, [](CCDInsertDlg& dialog) {
        Save(dialog, "loading-rescan");
        CChangeListDlg* list = dialog.OpenChangeList();
        ASSERT_NE(list, nullptr);
        Save(*list, "change-list");
        list->accept();
    });
}

} // namespace
} // namespace quillora
