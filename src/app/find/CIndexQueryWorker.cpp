// The index search field's worker thread: one index connection of its own, the newest
// question only.
#include "app/find/CIndexQueryWorker.h"

#include "core/ConfigData.h"
#include "document/JobOptions.h"
#include "index/CCaseIndex.h"
#include "index/OpenCaseIndex.h"

#include <QMetaObject>
#include <QPointer>

#include <memory>

namespace quillora {

CIndexQueryWorker::CIndexQueryWorker(std::string indexFolder, std::size_t limit, QObject* parent)
    : QObject(parent), m_strFolder(std::move(indexFolder)), m_nLimit(limit),
      m_driveChoice(DriveChoiceFrom(Config())) {
    m_thread = std::thread([this] { Run(); });
}

CIndexQueryWorker::~CIndexQueryWorker() {
    {
        std::lock_guard guard(m_lock);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CIndexQueryWorker::Ask(const QString& text) {
    if (text.trimmed().isEmpty()) {
        {
            std::lock_guard guard(m_lock);
            m_pending.reset();
        }
        emit Answered(text, {}, {});
        return;
    }
    {
        std::lock_guard guard(m_lock);
        m_pending = text;
    }
    m_wake.notify_all();
}

void CIndexQueryWorker::Run() {
    std::unique_ptr<CCaseIndex> index;
    for (;;) {
        QString text;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_bStop || m_pending; });
            if (m_bStop) {
                return;
            }
            text = *m_pending;
            m_pending.reset();
        }
        std::vector<std::string> words;
        for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
            words.push_back(word.toStdString());
        }
        std::vector<SLocateHit> hits;
        QString problem;
        try {
            if (!index) {
                index = OpenIndexAt(m_strFolder);
                index->SetDriveChoice(m_driveChoice);
            }
            hits = index->Locate(words, m_nLimit);
        } catch (const std::exception& e) {
            index.reset();
            problem = QString::fromStdString(e.what());
        }
        {
            // A newer question makes this answer worthless.
            std::lock_guard guard(m_lock);
            if (m_pending || m_bStop) {
                continue;
            }
        }
        QPointer<CIndexQueryWorker> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, text, hits = std::move(hits), problem] {
                if (self) {
                    emit self->Answered(text, hits, problem);
                }
            },
            Qt::QueuedConnection);
    }
}

} // namespace quillora
