// The GUI tests' QApplication, made on first use (never at static-init time), with
// the settings, data and state folders in a private temporary folder so that no test
// touches the user's own.
#pragma once

#include "model/CCDCase.h"

#include <QApplication>

#include <memory>

namespace quillora::test {

QApplication& GuiApp();

// A small case: a CD-ROM medium "Disc" with folders "Docs" (holding a.txt, b.jpg) and
// "Sub", a file "readme.txt" with a comment and category, and a group "Group" holding
// a removable medium "Card".
std::unique_ptr<CCDCase> MakeSampleCase();

} // namespace quillora::test
