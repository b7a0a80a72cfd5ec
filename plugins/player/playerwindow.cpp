#include "playerwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QUrl>
#include <QVBoxLayout>

namespace MovraReference {

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

PlayerWindow::PlayerWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MovraPlayerWindow"));
    resize(720, 420);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_nowPlaying = new QLabel(central);
    m_nowPlaying->setObjectName(QStringLiteral("nowPlaying"));
    m_nowPlaying->setAlignment(Qt::AlignCenter);
    m_nowPlaying->setMinimumHeight(220);
    m_nowPlaying->setWordWrap(true);
    m_nowPlaying->setStyleSheet(QStringLiteral(
        "QLabel#nowPlaying { background: #101418; color: #e8eef4; font-size: 18px; padding: 12px; }"));
    m_receivedTitle = new QLabel(central);
    m_addresses = new QListWidget(central);
    m_addresses->setObjectName(QStringLiteral("receivedAddresses"));
    layout->addWidget(m_nowPlaying, 3);
    layout->addWidget(m_receivedTitle);
    layout->addWidget(m_addresses, 1);
    setCentralWidget(central);

    m_fileMenu = menuBar()->addMenu(QString());
    m_openAction = m_fileMenu->addAction(QString(), this, &PlayerWindow::chooseFile);
    m_openAction->setShortcut(QKeySequence::Open);
    m_openAddressAction = m_fileMenu->addAction(QString(), this, &PlayerWindow::chooseAddress);
    m_fileMenu->addSeparator();
    m_quitAction = m_fileMenu->addAction(QString(), this, &QWidget::close);
    m_quitAction->setShortcut(QKeySequence::Quit);
    m_helpMenu = menuBar()->addMenu(QString());
    m_aboutAction = m_helpMenu->addAction(QString(), this, [this] {
        QMessageBox::about(this, QCoreApplication::translate("MovraPlayerWindow", "About Movra Player"), QCoreApplication::translate("MovraPlayerWindow", "Movra Player"));
    });
    retranslate();
}

void PlayerWindow::retranslate()
{
    setWindowTitle(m_current.isEmpty() ? QCoreApplication::translate("MovraPlayerWindow", "Movra Player")
                                       : QCoreApplication::translate("MovraPlayerWindow", "Movra Player") + QStringLiteral(" — ") + m_current);
    m_nowPlaying->setText(m_current.isEmpty() ? QCoreApplication::translate("MovraPlayerWindow", "No file open") : QCoreApplication::translate("MovraPlayerWindow", "Now playing: %1").arg(m_current));
    m_receivedTitle->setText(QCoreApplication::translate("MovraPlayerWindow", "Received addresses"));
    m_fileMenu->setTitle(QCoreApplication::translate("MovraPlayerWindow", "&File"));
    m_openAction->setText(QCoreApplication::translate("MovraPlayerWindow", "&Open…"));
    m_openAddressAction->setText(QCoreApplication::translate("MovraPlayerWindow", "Open &Address…"));
    m_quitAction->setText(QCoreApplication::translate("MovraPlayerWindow", "&Quit"));
    m_helpMenu->setTitle(QCoreApplication::translate("MovraPlayerWindow", "&Help"));
    m_aboutAction->setText(QCoreApplication::translate("MovraPlayerWindow", "&About Movra Player"));
}

void PlayerWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

void PlayerWindow::openAddress(const QString& encodedAddress)
{
    m_received.append(encodedAddress);
    const QUrl url = QUrl::fromEncoded(encodedAddress.toUtf8());
    m_current = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    m_addresses->addItem(m_current);
    m_position = 0;
    m_playingSinceMs = nowMs();
    retranslate();
}

void PlayerWindow::pause()
{
    if (m_playingSinceMs >= 0) {
        m_position = position();
        m_playingSinceMs = -1;
    }
}

void PlayerWindow::resume(double rate)
{
    if (m_current.isEmpty() || m_playingSinceMs >= 0)
        return;
    m_rate = rate;
    m_playingSinceMs = nowMs();
}

qint64 PlayerWindow::position() const
{
    if (m_playingSinceMs < 0)
        return m_position;
    return m_position + static_cast<qint64>((nowMs() - m_playingSinceMs) * m_rate);
}

void PlayerWindow::setPosition(qint64 position)
{
    m_position = position;
    if (m_playingSinceMs >= 0)
        m_playingSinceMs = nowMs();
}

void PlayerWindow::chooseFile()
{
    const QString file = QFileDialog::getOpenFileName(this, QCoreApplication::translate("MovraPlayerWindow", "Open File"));
    if (!file.isEmpty())
        openAddress(QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded()));
}

void PlayerWindow::chooseAddress()
{
    const QString text = QInputDialog::getText(this, QCoreApplication::translate("MovraPlayerWindow", "Open Address"), QCoreApplication::translate("MovraPlayerWindow", "Address:"));
    const QUrl url = QUrl::fromUserInput(text);
    if (url.isValid())
        openAddress(QString::fromUtf8(url.toEncoded()));
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace MovraReference
