#pragma once
// Turns SIGTERM and SIGINT into a Qt signal on the UI thread, so they close the window through
// the same shutdown sequence as the window manager's close.
#include <QObject>

class QSocketNotifier;

namespace mv {

// Set once a termination signal has arrived: from then on nobody is asked anything.
bool terminationSignalled();
void setTerminationSignalled();
// For a test that raised the signal inside its own process.
void clearTerminationSignalled();

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
