#pragma once
// Turns SIGTERM and SIGINT into a Qt signal on the UI thread, so they close the window through
// the same shutdown sequence as the window manager's close.
#include <QObject>

class QSocketNotifier;

namespace mv {

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace mv
