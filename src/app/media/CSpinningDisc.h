// CSpinningDisc: the loading dialog's animation, a disc turning while the scan runs.
#pragma once

#include <QTimer>
#include <QWidget>

namespace quillora {

class CSpinningDisc : public QWidget {
    Q_OBJECT

public:
    explicit CSpinningDisc(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }

    QSize sizeHint() const override { return {48, 48}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_angle = 0;
};

} // namespace quillora
