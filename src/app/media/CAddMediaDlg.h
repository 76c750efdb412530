// CAddMediaDlg: the add-media dialog ("ﾒﾃﾞｨｱの追加"): a drive or a folder to add, and
// the label and comment of the new medium, composed with date and running number.
#pragma once

#include "app/DialogMessage.h"
#include "app/media/AddMediaDriveRows.h"
#include "app/media/LabelComposer.h"
#include "document/IDocumentUi.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace quillora {

class CAddMediaDlg : public QDialog {
    Q_OBJECT

public:
    // Where the drives page takes its drives from, and which positions are in use.
    using DriveSource = std::function<std::vector<SDrive>()>;
    using DriveFilter = std::function<bool(int position)>;

    // Opens on `tab` (0 drives, 1 folder) with the drive whose mount point is
    // `lastDrive` selected. The options (label editor, "MediaOut", folder history)
    // come from Config(). Without a source the drives are CDriveList::Read(); without
    // a filter Config().IsDriveUsed.
    CAddMediaDlg(int tab, const std::string& lastDrive, QWidget* parent = nullptr,
                 DriveSource source = {}, DriveFilter filter = {});

    // Runs the dialog; nullopt on Cancel. On OK the options are stored into Config()
    // (in memory; the program writes them with its settings) and "SerialNo" has
    // advanced when the running number was used.
    static std::optional<SAddMediaChoice>
    Run(QWidget* parent, int tab, const std::string& lastDrive, DriveSource source = {});

    // The answer after OK.
    const SAddMediaChoice& Choice() const { return m_choice; }

    // "ﾘｽﾄの更新(&U)": reads the drives again and keeps the selected drive selected.
    void RefreshDrives();
    const std::vector<SAddMediaDriveRow>& DriveRows() const { return m_rows; }
    // The selected drive row; -1 without one.
    int SelectedDriveRow() const;
    void SelectDriveRow(int row);

    void SetTab(int tab);
    void SetFolderText(const std::string& folder);
    std::string LabelText() const;
    void SetLabelText(const std::string& label);
    // The label editor's current state.
    SLabelOptions LabelOptions() const;
    void SetLabelOptions(const SLabelOptions& options);

    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }

    void accept() override;

private:
    QWidget* BuildDrivesPage();
    QWidget* BuildFolderPage();
    QWidget* BuildLabelEditor();
    void FillDriveList(const std::string& selectRoot);
    void OnDriveSelected();
    void OnFolderTextChanged(const QString& text);
    void OnTabChanged(int tab);
    void OnBrowse();
    void StoreOptions(const SLabelOptions& options);
    std::string FolderText() const;

    DriveSource m_source;
    DriveFilter m_filter;
    std::vector<SAddMediaDriveRow> m_rows;
    SAddMediaChoice m_choice;
    DialogMessageSink m_sink;

    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_drives = nullptr;
    QCheckBox* m_mediaOut = nullptr;
    QComboBox* m_folder = nullptr;
    QLineEdit* m_label = nullptr;
    QCheckBox* m_date = nullptr;
    QCheckBox* m_dateComment = nullptr;
    QCheckBox* m_serial = nullptr;
    QCheckBox* m_serialComment = nullptr;
    QSpinBox* m_serialNo = nullptr;
    QLineEdit* m_serialFormat = nullptr;
};

} // namespace quillora
