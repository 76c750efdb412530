// The index page.
#include "app/options/COptIndexPage.h"

#include "core/ConfigData.h"
#include "core/TraceLog.h"
#include "index/CCaseIndex.h"
#include "index/OpenCaseIndex.h"
#include "index/SIndexSettings.h"
#include "index/ServerUrl.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora {

namespace {

QString Count(std::uint64_t n) {
    return QLocale::system().toString(static_cast<qulonglong>(n));
}

std::vector<std::string> Missing(const std::vector<std::string>& from,
                                 const std::vector<std::string>& in) {
    std::vector<std::string> missing;
    for (const std::string& f : from) {
        if (std::find(in.begin(), in.end(), f) == in.end()) {
            missing.push_back(f);
        }
    }
    return missing;
}

} // namespace

COptIndexPage::COptIndexPage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent)
    : COptionPage("索引", hooks, parent) {
    const SIndexSettings settings = SIndexSettings::Load(config.Store());
    m_strIndexLocation = settings.Location();
    auto* layout = new QVBoxLayout(this);

    auto* folders = new QGroupBox(QString::fromUtf8("索引に加えるﾌｫﾙﾀﾞ"), this);
    auto* folderLayout = new QHBoxLayout(folders);
    m_folders = new QListWidget(folders);
    m_folders->setObjectName("IndexFolders");
    folderLayout->addWidget(m_folders, 1);
    auto* folderButtons = new QVBoxLayout;
    m_add = new QPushButton(QString::fromUtf8("追加(&A)..."), folders);
    m_add->setObjectName("IndexFolderAdd");
    m_remove = new QPushButton(QString::fromUtf8("削除(&D)"), folders);
    m_remove->setObjectName("IndexFolderRemove");
    folderButtons->addWidget(m_add);
    folderButtons->addWidget(m_remove);
    folderButtons->addStretch(1);
    folderLayout->addLayout(folderButtons);
    layout->addWidget(folders, 1);

    m_indexCases = AddCheck("開いたｹｰｽと保存したｹｰｽを索引に加える(&O)", "IndexCases",
                            settings.m_bIndexOpenedAndSaved ? 1 : 0);
    layout->addWidget(m_indexCases);
    m_locationMode =
        AddCheck("索引の場所を指定(&P)", "IndexFolderMode", settings.m_strFolder.empty() ? 0 : 1);
    layout->addWidget(m_locationMode);
    layout->addWidget(FolderRow(m_locationMode, m_location, "IndexFolder", settings.Folder()));
    m_serverMode = AddCheck("共有索引のｻｰﾊﾞｰを使う(&S)", "IndexServerMode",
                            settings.m_strServer.empty() ? 0 : 1);
    layout->addWidget(m_serverMode);
    m_server = new QLineEdit(QString::fromStdString(settings.m_strServer), this);
    m_server->setObjectName("IndexServer");
    m_server->setPlaceholderText("postgresql://ﾕｰｻﾞｰ@ﾎｽﾄ/ﾃﾞｰﾀﾍﾞｰｽ");
    auto* serverNote = new QLabel(
        QString::fromUtf8("ﾊﾟｽﾜｰﾄﾞは設定ﾌｧｲﾙに保存しません。~/.pgpass か環境変数 PGPASSWORD "
                          "に置いてください。"),
        this);
    serverNote->setWordWrap(true);
    auto* serverRow = new QVBoxLayout;
    serverRow->setContentsMargins(20, 0, 0, 0);
    serverRow->addWidget(m_server);
    serverRow->addWidget(serverNote);
    layout->addLayout(serverRow);
    auto followServer = [this, serverNote](bool on) {
        m_server->setEnabled(on);
        serverNote->setEnabled(on);
    };
    connect(m_serverMode, &QCheckBox::toggled, this, followServer);
    followServer(m_serverMode->isChecked());

    auto* rebuildRow = new QHBoxLayout;
    m_rebuild = new QPushButton(QString::fromUtf8("索引を作り直す(&B)"), this);
    m_rebuild->setObjectName("IndexRebuild");
    m_rebuild->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("IndexProgress");
    m_progress->setVisible(false);
    rebuildRow->addWidget(m_rebuild);
    rebuildRow->addWidget(m_progress, 1);
    rebuildRow->addStretch(0);
    layout->addLayout(rebuildRow);
    m_state = new QLabel(this);
    m_state->setObjectName("IndexState");
    m_state->setWordWrap(true);
    layout->addWidget(m_state);

    connect(m_add, &QPushButton::clicked, this, &COptIndexPage::AddFolder);
    connect(m_remove, &QPushButton::clicked, this, &COptIndexPage::RemoveFolder);
    connect(m_rebuild, &QPushButton::clicked, this, &COptIndexPage::ToggleRebuild);
    ReadIndex();
}

COptIndexPage::~COptIndexPage() {
    m_stop.request_stop();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void COptIndexPage::ReadIndex() {
    try {
        const SIndexStatus status = OpenIndexAt(m_strIndexLocation)->Status();
        m_initialFolders = status.m_folders;
        for (const std::string& folder : m_initialFolders) {
            m_folders->addItem(QString::fromStdString(folder));
        }
        m_state->setText(QString::fromUtf8("ｹｰｽ %1 件、ﾚｺｰﾄﾞ %2 件")
                             .arg(Count(status.m_nCases), Count(status.m_nRecords)));
        m_bIndexUsable = true;
    } catch (const std::exception& e) {
        m_state->setText(QString::fromUtf8("索引を開けません: ") +
                         QString::fromStdString(e.what()));
        m_bIndexUsable = false;
    }
    m_folders->setEnabled(m_bIndexUsable);
    m_add->setEnabled(m_bIndexUsable);
    m_remove->setEnabled(m_bIndexUsable);
    m_rebuild->setEnabled(m_bIndexUsable);
}

void COptIndexPage::AddFolder() {
    const std::string start =
        m_folders->currentItem() ? m_folders->currentItem()->text().toStdString() : std::string();
    std::optional<std::string> chosen =
        Hooks().pickFolder(this, QString::fromUtf8("索引に加えるﾌｫﾙﾀﾞ"), start);
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::vector<std::string> shown = Folders();
    if (std::find(shown.begin(), shown.end(), *chosen) == shown.end()) {
        m_folders->addItem(QString::fromStdString(*chosen));
    }
}

void COptIndexPage::RemoveFolder() {
    delete m_folders->takeItem(m_folders->currentRow());
}

std::vector<std::string> COptIndexPage::Folders() const {
    std::vector<std::string> folders;
    for (int i = 0; i < m_folders->count(); ++i) {
        folders.push_back(m_folders->item(i)->text().toStdString());
    }
    return folders;
}

QString COptIndexPage::StateText() const {
    return m_state->text();
}

void COptIndexPage::ToggleRebuild() {
    if (IsRebuilding()) {
        m_stop.request_stop();
        m_rebuild->setEnabled(false);
        return;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_stop = std::stop_source();
    m_bFinished = false;
    m_rebuild->setText(QString::fromUtf8("中止(&B)"));
    m_progress->setRange(0, 0);
    m_progress->setVisible(true);
    m_state->setText(QString::fromUtf8("索引を作り直しています..."));
    m_worker = std::thread([this, folder = m_strIndexLocation] {
        QString summary;
        try {
            const SIndexChange change = OpenIndexAt(folder)->Rebuild(
                m_stop.get_token(), [this](std::size_t done, std::size_t total) {
                    QMetaObject::invokeMethod(
                        this, [this, done, total] { ShowProgress(done, total); },
                        Qt::QueuedConnection);
                });
            summary =
                m_stop.stop_requested()
                    ? QString::fromUtf8("中止しました。(ｹｰｽ %1 件を読み直しました)")
                          .arg(Count(change.m_nRead))
                    : QString::fromUtf8("ｹｰｽ %1 件を読み直しました。").arg(Count(change.m_nRead));
            if (!change.m_leftOut.empty()) {
                summary += QString::fromUtf8(" (%1 件は保護されているか読み込めません)")
                               .arg(Count(change.m_leftOut.size()));
            }
        } catch (const std::exception& e) {
            LogFormat("index rebuild: %s", e.what());
            summary =
                QString::fromUtf8("索引を作り直せません: ") + QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, summary] { FinishRebuild(summary); }, Qt::QueuedConnection);
    });
}

void COptIndexPage::ShowProgress(std::size_t done, std::size_t total) {
    m_progress->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT32_MAX)));
    m_progress->setValue(static_cast<int>(std::min<std::size_t>(done, INT32_MAX)));
}

void COptIndexPage::FinishRebuild(const QString& summary) {
    m_bFinished = true;
    m_progress->setVisible(false);
    m_rebuild->setText(QString::fromUtf8("索引を作り直す(&B)"));
    m_rebuild->setEnabled(true);
    m_state->setText(summary);
    emit RebuildFinished();
}

bool COptIndexPage::CanLeave() {
    if (m_locationMode->isChecked() && m_location->text().trimmed().isEmpty()) {
        Hooks().warn(this, Caption(), "索引の場所が入力されていません。");
        m_location->setFocus();
        return false;
    }
    if (m_serverMode->isChecked() && !IsServerAddress(m_server->text().trimmed().toStdString())) {
        Hooks().warn(this, Caption(),
                     "共有索引のｻｰﾊﾞｰは postgresql:// で始まるｱﾄﾞﾚｽで入力してください。");
        m_server->setFocus();
        return false;
    }
    return true;
}

void COptIndexPage::Apply(CConfigData& config) {
    SIndexSettings settings;
    settings.m_bIndexOpenedAndSaved = m_indexCases->isChecked();
    settings.m_strFolder =
        m_locationMode->isChecked() ? m_location->text().trimmed().toStdString() : std::string();
    // Saving drops a password typed into the address (libpq finds it in ~/.pgpass).
    settings.m_strServer =
        m_serverMode->isChecked() ? m_server->text().trimmed().toStdString() : std::string();
    settings.Save(config.Store());
    m_server->setText(QString::fromStdString(WithoutPassword(settings.m_strServer)));
    if (!m_bIndexUsable) {
        return;
    }
    const std::vector<std::string> shown = Folders();
    const std::vector<std::string> removed = Missing(m_initialFolders, shown);
    const std::vector<std::string> added = Missing(shown, m_initialFolders);
    if (removed.empty() && added.empty()) {
        return;
    }
    try {
        std::unique_ptr<CCaseIndex> index = OpenIndexAt(m_strIndexLocation);
        if (!removed.empty()) {
            index->Remove(removed);
        }
        if (!added.empty()) {
            index->Add(added);
        }
        m_initialFolders = shown;
    } catch (const std::exception& e) {
        Hooks().warn(this, Caption(), std::string("索引のﾌｫﾙﾀﾞを変更できません: ") + e.what());
    }
}

} // namespace quillora
