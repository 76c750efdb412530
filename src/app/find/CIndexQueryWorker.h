// CIndexQueryWorker: asks the index of every case on a thread of its own, so that typing
// in the search field never waits for it; only the newest question is answered, and
// its hits come back on the GUI thread.
#pragma once

#include "index/SLocateHit.h"
#include "scan/DriveChoice.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quillora {

class CIndexQueryWorker : public QObject {
    Q_OBJECT

public:
    // `indexFolder`: the index the questions go to; `limit`: hits per answer.
    CIndexQueryWorker(std::string indexFolder, std::size_t limit, QObject* parent = nullptr);
    ~CIndexQueryWorker() override;

    // Asks for `text` (words separated by spaces); a question still waiting is dropped.
    // An empty text answers at once with no hits.
    void Ask(const QString& text);

signals:
    // The hits for the newest question (`text`), best first; `problem` is empty or says
    // why the index could not answer.
    void Answered(const QString& text, const std::vector<quillora::SLocateHit>& hits,
                  const QString& problem);

private:
    void Run();

    std::string m_strFolder;
    std::size_t m_nLimit;
    // Taken on the UI thread, where the configuration lives.
    SDriveChoice m_driveChoice;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<QString> m_pending;
    bool m_bStop = false;
    std::thread m_thread;
};

} // namespace quillora
