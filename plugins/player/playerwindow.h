#pragma once
#include <QMainWindow>
#include <QStringList>

class QLabel;
class QListWidget;

namespace MovraReference {

// The player's main window: shows what it was asked to play and every address it received.
class PlayerWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit PlayerWindow(QWidget* parent = nullptr);

    void openAddress(const QString& encodedAddress);
    QStringList receivedAddresses() const { return m_received; }

    // Playback state of the reference player: a position clock that runs while playing.
    void pause();
    void resume(double rate);
    qint64 position() const;
    void setPosition(qint64 position);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void retranslate();
    void chooseFile();
    void chooseAddress();

    QLabel* m_nowPlaying = nullptr;
    QLabel* m_receivedTitle = nullptr;
    QListWidget* m_addresses = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_openAddressAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QStringList m_received;
    QString m_current;
    qint64 m_position = 0;
    qint64 m_playingSinceMs = -1;
    double m_rate = 1.0;
};

} // namespace MovraReference
