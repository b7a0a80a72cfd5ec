// The player window's play queue: its panel and menu, next and previous, repeat, recent files
// and the notices the queue gives over the picture.

#include "playerwindow.h"
#include "aboutdialogs.h"
#include "fullscreencontrols.h"
#include "mediainfodialog.h"
#include "mpris.h"
#include "screensaverinhibitor.h"
#include "mediamenus.h"
#include "playerlog.h"
#include "screenshot.h"
#include "seekbar.h"
#include "shortcuts.h"
#include "shortcutsdialog.h"
#include "timetext.h"
#include "playqueue.h"
#include "queuecontroller.h"
#include "queuepanel.h"
#include "recentfiles.h"
#include "videoview.h"
#include "windowgeometry.h"

#include "platform/registry.h"
#include "settings/applicationsettings.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <limits>
#include <optional>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

// How long a passing message stays over the picture.
constexpr int kQueueNoticeMs = 5000;

} // namespace

void PlayerWindow::setUpQueue()
{
    m_queueController = new QueueController(m_session, [this](const QUrl& url) { playUrl(url); }, this);
    PlayQueue* queue = m_queueController->queue();

    m_queuePanel = new QueuePanel(queue, this);
    addDockWidget(Qt::RightDockWidgetArea, m_queuePanel);
    m_queuePanel->hide();
    connect(m_queuePanel, &QueuePanel::playRequested, m_queueController, &QueueController::playRow);

    m_queueNotice = new QLabel(m_view);
    m_queueNotice->setObjectName(QStringLiteral("queueNotice"));
    m_queueNotice->setWordWrap(true);
    m_queueNotice->setStyleSheet(
        QStringLiteral("QLabel#queueNotice { background: rgba(0, 0, 0, 170); color: white; padding: 6px; }"));
    m_queueNotice->hide();
    m_queueNoticeTimer = new QTimer(this);
    m_queueNoticeTimer->setSingleShot(true);
    m_queueNoticeTimer->setInterval(kQueueNoticeMs);
    connect(m_queueNoticeTimer, &QTimer::timeout, m_queueNotice, &QWidget::hide);
    connect(m_queueController, &QueueController::notice, this, &PlayerWindow::showQueueNotice);

    m_previousAction = new QAction(this);
    m_previousAction->setObjectName(QStringLiteral("previousAction"));
    m_previousAction->setShortcuts(shortcutKeys("queue-previous"));
    connect(m_previousAction, &QAction::triggered, m_queueController, &QueueController::previous);
    m_nextAction = new QAction(this);
    m_nextAction->setObjectName(QStringLiteral("nextAction"));
    m_nextAction->setShortcuts(shortcutKeys("queue-next"));
    connect(m_nextAction, &QAction::triggered, m_queueController, &QueueController::next);
    m_startOverAction = new QAction(this);
    m_startOverAction->setObjectName(QStringLiteral("startOverAction"));
    m_startOverAction->setShortcuts(shortcutKeys("start-over"));
    connect(m_startOverAction, &QAction::triggered, m_queueController, &QueueController::startOver);
    // Window-wide, so that the keys also work in full screen, where the menu bar is hidden.
    addActions({m_previousAction, m_nextAction, m_startOverAction});

    auto* row = qobject_cast<QHBoxLayout*>(m_controls->layout());
    m_previousButton = new QToolButton(m_controls);
    m_previousButton->setObjectName(QStringLiteral("previous"));
    m_previousButton->setFocusPolicy(Qt::NoFocus);
    connect(m_previousButton, &QToolButton::clicked, m_previousAction, &QAction::trigger);
    m_nextButton = new QToolButton(m_controls);
    m_nextButton->setObjectName(QStringLiteral("next"));
    m_nextButton->setFocusPolicy(Qt::NoFocus);
    connect(m_nextButton, &QToolButton::clicked, m_nextAction, &QAction::trigger);
    if (row) {
        const int play = row->indexOf(m_playButton);
        row->insertWidget(play, m_previousButton);
        row->insertWidget(play + 2, m_nextButton);
    }

    // File › Open Recent, after the two ways of opening.
    m_recentMenu = new QMenu(this);
    m_recentMenu->setObjectName(QStringLiteral("recentMenu"));
    const QList<QAction*> fileActions = m_fileMenu->actions();
    const int afterOpen = int(fileActions.indexOf(m_openAddressAction)) + 1;
    m_fileMenu->insertMenu(fileActions.value(afterOpen), m_recentMenu);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &PlayerWindow::rebuildRecentMenu);
    rebuildRecentMenu();

    m_viewMenu = new QMenu(this);
    m_viewMenu->setObjectName(QStringLiteral("viewMenu"));
    QAction* panelAction = m_queuePanel->toggleViewAction();
    panelAction->setObjectName(QStringLiteral("queuePanelAction"));
    panelAction->setShortcuts(shortcutKeys("queue-panel"));
    m_viewMenu->addAction(panelAction);
    addAction(panelAction);

    m_queueMenu = new QMenu(this);
    m_queueMenu->setObjectName(QStringLiteral("queueMenu"));
    m_queueMenu->addAction(m_previousAction);
    m_queueMenu->addAction(m_nextAction);
    m_repeatMenu = m_queueMenu->addMenu(QString());
    m_repeatMenu->setObjectName(QStringLiteral("repeatMenu"));
    auto* repeatGroup = new QActionGroup(this);
    const RepeatMode modes[] = {RepeatMode::Off, RepeatMode::One, RepeatMode::All};
    for (int i = 0; i < 3; ++i) {
        m_repeatActions[i] = m_repeatMenu->addAction(QString());
        m_repeatActions[i]->setCheckable(true);
        repeatGroup->addAction(m_repeatActions[i]);
        connect(m_repeatActions[i], &QAction::triggered, this,
                [this, mode = modes[i]] { m_queueController->setRepeat(mode); });
    }
    m_repeatActions[0]->setChecked(true);
    connect(m_queueController, &QueueController::repeatChanged, this,
            [this](RepeatMode mode) { m_repeatActions[int(mode)]->setChecked(true); });
    m_queueMenu->addSeparator();
    m_queueMenu->addAction(m_startOverAction);
    menuBar()->insertMenu(m_helpMenu->menuAction(), m_viewMenu);
    menuBar()->insertMenu(m_helpMenu->menuAction(), m_queueMenu);
}

void PlayerWindow::retranslateQueue()
{
    m_queuePanel->retranslate();
    m_queuePanel->toggleViewAction()->setText(tx("Play &Queue"));
    m_viewMenu->setTitle(tx("&View"));
    m_queueMenu->setTitle(tx("&Queue"));
    m_previousAction->setText(tx("&Previous"));
    m_nextAction->setText(tx("&Next"));
    m_startOverAction->setText(tx("Start From the &Beginning"));
    m_repeatMenu->setTitle(tx("&Repeat"));
    m_repeatActions[0]->setText(tx("&Off"));
    m_repeatActions[1]->setText(tx("&One"));
    m_repeatActions[2]->setText(tx("&All"));
    m_recentMenu->setTitle(tx("Open &Recent"));
    m_previousButton->setToolTip(tx("Previous (P)"));
    m_nextButton->setToolTip(tx("Next (N)"));
    rebuildRecentMenu();
}

void PlayerWindow::enqueueAddress(const QString& encodedAddress)
{
    m_received.append(encodedAddress);
    m_queueController->receive(QUrl::fromEncoded(encodedAddress.toUtf8()));
}

void PlayerWindow::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QList<QUrl> urls = m_queueController->recentFiles().urls();
    int number = 0;
    for (const QUrl& url : urls) {
        ++number;
        const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
        // "&1" … "&9", then "1&0": each entry has its own accelerator.
        QString label = number < 10 ? QStringLiteral("&%1 ").arg(number) : QStringLiteral("1&0 ");
        label += QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_recentMenu->addAction(label, this, [this, url] {
            m_queueController->replace({url});
        });
        action->setEnabled(!RecentFiles::isMissing(url));
    }
    if (!urls.isEmpty())
        m_recentMenu->addSeparator();
    QAction* clear = m_recentMenu->addAction(tx("&Clear"), this, [this] {
        m_queueController->recentFiles().clear();
        rebuildRecentMenu();
    });
    clear->setObjectName(QStringLiteral("clearRecent"));
    clear->setEnabled(!urls.isEmpty());
}

void PlayerWindow::showQueueNotice(const QString& text)
{
    m_queueNotice->setText(text);
    m_queueNotice->setFixedWidth(std::max(200, m_view->width() - 20));
    m_queueNotice->adjustSize();
    m_queueNotice->move(10, 10);
    m_queueNotice->show();
    m_queueNotice->raise();
    m_queueNoticeTimer->start();
}

QString PlayerWindow::queueNoticeText() const
{
    return m_queueNotice->text();
}

} // namespace MovraReference
