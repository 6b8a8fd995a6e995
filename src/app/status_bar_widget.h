#pragma once
// The status bar with its keyed panels.
#include <QHash>
#include <QStatusBar>

class QLabel;
class QTimer;

namespace mv {

class StatusBarWidget : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBarWidget(QWidget* parent = nullptr);
    // The panel of a key (kConnection, kTime, kRecords, kEdit); nullptr for an unknown key.
    QLabel* panel(const QString& key) const { return m_panels.value(key); }
    void setPanelText(const QString& key, const QString& text);
    // The picture before the connection panel and the key it stands for.
    void setConnectionIcon(const QPixmap& picture, const QString& key);
    QString connectionIconKey() const;
    QString panelText(const QString& key) const;
    // A passing note at the left end of the bar ("search continued from the top"), gone after msec.
    // The panels all stretch, so the bar's own message area would have no room for it.
    void showNote(const QString& text, int msec = 5000);
    QString note() const;
    // Texts and tool tips of the current language.
    void applyLanguage();

signals:
    void panelClicked(const QString& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QString, QLabel*> m_panels;
    QLabel* m_connectionIcon = nullptr;
    QLabel* m_note = nullptr;
    QTimer* m_noteTimer = nullptr;
};

} // namespace mv
