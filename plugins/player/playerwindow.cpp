#include "playerwindow.h"
#include "videoview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

QString clockText(qint64 ms)
{
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg((s / 60) % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

constexpr qint64 kStepMs = 5000;

} // namespace

PlayerWindow::PlayerWindow(MSE::PluginContext* context, QWidget* parent)
    : QMainWindow(parent), m_session(new MediaSession(context, this))
{
    setObjectName(QStringLiteral("MovraPlayerWindow"));
    setAcceptDrops(true);
    resize(720, 480);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new VideoView(central);
    layout->addWidget(m_view, 1);
    m_problem = new QLabel(central);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("QLabel#problem { background: #5a1d1d; color: #ffe9e9; padding: 6px; }"));
    m_problem->hide();
    layout->addWidget(m_problem);

    m_controls = new QWidget(central);
    m_controls->setObjectName(QStringLiteral("controls"));
    auto* row = new QHBoxLayout(m_controls);
    row->setContentsMargins(6, 4, 6, 4);
    m_playButton = new QToolButton(m_controls);
    m_playButton->setObjectName(QStringLiteral("playPause"));
    m_playButton->setFocusPolicy(Qt::NoFocus);
    connect(m_playButton, &QToolButton::clicked, m_session, &MediaSession::togglePause);
    m_seekBar = new QSlider(Qt::Horizontal, m_controls);
    m_seekBar->setObjectName(QStringLiteral("seekBar"));
    m_seekBar->setFocusPolicy(Qt::NoFocus);
    m_seekBar->setRange(0, 0);
    connect(m_seekBar, &QSlider::sliderPressed, this, [this] { m_seekBarHeld = true; });
    connect(m_seekBar, &QSlider::sliderReleased, this, [this] {
        m_seekBarHeld = false;
        m_session->seek(m_seekBar->value());
    });
    connect(m_seekBar, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, [this] { m_session->seek(m_seekBar->value()); });
    });
    m_time = new QLabel(m_controls);
    m_time->setObjectName(QStringLiteral("time"));
    m_muteButton = new QToolButton(m_controls);
    m_muteButton->setObjectName(QStringLiteral("mute"));
    m_muteButton->setCheckable(true);
    m_muteButton->setFocusPolicy(Qt::NoFocus);
    connect(m_muteButton, &QToolButton::toggled, this, [this](bool on) {
        m_session->setMuted(on);
        updateControls();
    });
    m_volume = new QSlider(Qt::Horizontal, m_controls);
    m_volume->setObjectName(QStringLiteral("volume"));
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setRange(0, 100);
    m_volume->setValue(100);
    m_volume->setMaximumWidth(100);
    connect(m_volume, &QSlider::valueChanged, this, [this](int value) { m_session->setVolume(value / 100.0); });
    m_fullScreenButton = new QToolButton(m_controls);
    m_fullScreenButton->setObjectName(QStringLiteral("fullScreen"));
    m_fullScreenButton->setFocusPolicy(Qt::NoFocus);
    connect(m_fullScreenButton, &QToolButton::clicked, this, &PlayerWindow::toggleFullScreen);
    row->addWidget(m_playButton);
    row->addWidget(m_seekBar, 1);
    row->addWidget(m_time);
    row->addWidget(m_muteButton);
    row->addWidget(m_volume);
    row->addWidget(m_fullScreenButton);
    layout->addWidget(m_controls);
    setCentralWidget(central);

    connect(m_view, &VideoView::clicked, m_session, &MediaSession::togglePause);
    connect(m_view, &VideoView::doubleClicked, this, &PlayerWindow::toggleFullScreen);
    connect(m_session, &MediaSession::frameChanged, this, &PlayerWindow::showFrame);
    connect(m_session, &MediaSession::stateChanged, this, &PlayerWindow::stateChanged);
    connect(m_session, &MediaSession::problemReported, this, [this](const QString& text) {
        m_problem->setText(text);
        m_problem->show();
        if (m_view->text().isEmpty() || m_session->currentFrame().isNull())
            m_view->setText(text);
    });
    connect(m_session, &MediaSession::durationChanged, this, [this](qint64 ms) { m_seekBar->setRange(0, int(ms)); });
    m_refresh = new QTimer(this);
    m_refresh->setInterval(200);
    connect(m_refresh, &QTimer::timeout, this, &PlayerWindow::updateControls);
    m_refresh->start();

    m_fileMenu = menuBar()->addMenu(QString());
    m_openAction = m_fileMenu->addAction(QString(), this, &PlayerWindow::chooseFile);
    m_openAction->setShortcut(QKeySequence::Open);
    m_openAddressAction = m_fileMenu->addAction(QString(), this, &PlayerWindow::chooseAddress);
    m_fileMenu->addSeparator();
    m_quitAction = m_fileMenu->addAction(QString(), this, &QWidget::close);
    m_quitAction->setShortcut(QKeySequence::Quit);
    m_helpMenu = menuBar()->addMenu(QString());
    m_aboutAction = m_helpMenu->addAction(QString(), this, [this] {
        QMessageBox::about(this, tx("About Movra Player"), tx("Movra Player"));
    });
    retranslate();
}

PlayerWindow::~PlayerWindow()
{
    // The session's threads end before the widgets they report to go.
    m_session->close();
}

void PlayerWindow::retranslate()
{
    setWindowTitle(m_current.isEmpty() ? tx("Movra Player") : tx("Movra Player") + QStringLiteral(" — ") + m_current);
    m_fileMenu->setTitle(tx("&File"));
    m_openAction->setText(tx("&Open…"));
    m_openAddressAction->setText(tx("Open &Address…"));
    m_quitAction->setText(tx("&Quit"));
    m_helpMenu->setTitle(tx("&Help"));
    m_aboutAction->setText(tx("&About Movra Player"));
    m_playButton->setToolTip(tx("Play or pause (Space)"));
    m_muteButton->setToolTip(tx("Mute"));
    m_volume->setToolTip(tx("Volume"));
    m_fullScreenButton->setToolTip(tx("Full screen (F)"));
    m_seekBar->setToolTip(tx("Position (Left and Right arrows: 5 seconds)"));
    stateChanged();
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
    m_problem->hide();
    m_problem->clear();
    m_view->setFrame(QImage(), 0);
    m_session->open(url);
    retranslate();
}

void PlayerWindow::showFrame()
{
    m_view->setFrame(m_session->currentFrame(), m_session->currentAspect());
}

QString PlayerWindow::statusText() const
{
    switch (m_session->state()) {
    case MediaSession::State::Idle:
        return tx("No file open");
    case MediaSession::State::Opening:
        return tx("Opening %1…").arg(m_current);
    case MediaSession::State::Playing:
    case MediaSession::State::Paused:
    case MediaSession::State::Ended:
        return m_session->hasVideo() ? QString() : tx("Now playing: %1").arg(m_current);
    case MediaSession::State::WaitingForCodec:
    case MediaSession::State::Failed:
        return m_session->problems().isEmpty() ? QString() : m_session->problems().last();
    }
    return QString();
}

void PlayerWindow::stateChanged()
{
    m_view->setText(statusText());
    updateControls();
}

void PlayerWindow::updateControls()
{
    const MediaSession::State state = m_session->state();
    const bool playing = state == MediaSession::State::Playing;
    m_playButton->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playButton->setText(playing ? tx("Pause") : tx("Play"));
    m_muteButton->setIcon(style()->standardIcon(m_session->muted() ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    m_fullScreenButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarMaxButton));
    const qint64 position = m_session->positionMs();
    if (!m_seekBarHeld)
        m_seekBar->setValue(int(position));
    m_time->setText(clockText(position) + QStringLiteral(" / ") + clockText(m_session->durationMs()));
}

void PlayerWindow::pause()
{
    m_session->pause();
}

void PlayerWindow::resume(double rate)
{
    m_session->resume(rate);
}

qint64 PlayerWindow::position()
{
    return m_session->positionMs();
}

void PlayerWindow::setPosition(qint64 position)
{
    m_session->seek(position);
}

void PlayerWindow::seekBy(qint64 deltaMs)
{
    m_session->seek(std::max<qint64>(0, m_session->positionMs() + deltaMs));
}

void PlayerWindow::toggleFullScreen()
{
    if (isFullScreen()) {
        showNormal();
        menuBar()->show();
        m_controls->show();
    } else {
        menuBar()->hide();
        m_controls->hide();
        showFullScreen();
    }
}

void PlayerWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        m_session->togglePause();
        break;
    case Qt::Key_Left:
        seekBy(-kStepMs);
        break;
    case Qt::Key_Right:
        seekBy(kStepMs);
        break;
    case Qt::Key_F:
        toggleFullScreen();
        break;
    case Qt::Key_Escape:
        if (isFullScreen())
            toggleFullScreen();
        break;
    case Qt::Key_M:
        m_muteButton->toggle();
        break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    updateControls();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    event->acceptProposedAction();
    openAddress(QString::fromUtf8(urls.first().toEncoded()));
}

void PlayerWindow::chooseFile()
{
    const QString file = QFileDialog::getOpenFileName(this, tx("Open File"));
    if (!file.isEmpty())
        openAddress(QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded()));
}

void PlayerWindow::chooseAddress()
{
    const QString text = QInputDialog::getText(this, tx("Open Address"), tx("Address:"));
    const QUrl url = QUrl::fromUserInput(text);
    if (url.isValid())
        openAddress(QString::fromUtf8(url.toEncoded()));
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        m_session->close();
        emit closed();
    }
}

} // namespace MovraReference
