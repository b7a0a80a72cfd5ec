#include "codec/loadingcodecwidget.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QPalette>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

// Outside any namespace, as the resource's registration function is.
static void registerLoadingAnimation()
{
    static bool registered = false;
    if (!registered) {
        Q_INIT_RESOURCE(loadingcodecwidget);
        registered = true;
    }
}

namespace MovraPlayerX {

namespace {

constexpr char kAnimationResource[] = ":/LoadingWidget/LoadingAnimation";
constexpr char kBorderedStyleSheetProperty[] = "borderedStyleSheet";

constexpr char kWidgetStyleSheet[] =
    "QWidget\n{\n\tfont-weight: bold;\n}\n\nQLabel{\ncolor: #A2A2A2;\n}\n\nQPushButton {\nbackground: transparent;\n"
    "border-image: url(:/ResumePlayback/Button/Normal) 0 9 0 9;\nborder-left: 0.7em;\nborder-right: 0.7em;\n"
    "padding-top: 0.4em;\npadding-bottom: 0.4em;\ncolor: #A2A2A2;\nfont-weight: bold;\n}\n\nQPushButton:pressed {\n"
    "border-image: url(:/ResumePlayback/Button/Pressed) 0 9 0 9;\ncolor: #35B1EA;\n}\n\n"
    "QPushButton:hover:!pressed {\ncolor: #35B1EA;\n}\n\nQPushButton:disabled {\ncolor: rgb(120,120,120);\n}\n";
constexpr char kFrameStyleSheet[] =
    "QFrame#LoadingCodecFrame\n{\n\tborder-color:#303030;\n\tborder-width:0;\n    border-style: solid;\n}";
constexpr char kBorderedFrameStyleSheet[] =
    "QFrame#LoadingCodecFrame{border-color:#303030; border-width:2; border-style: solid;}";

} // namespace

LoadingCodecWidget::LoadingCodecWidget(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
{
    registerLoadingAnimation();
    setupUi();
    retranslateUi();
    connect(m_cancelButton, &QPushButton::clicked, this, &LoadingCodecWidget::cancelClicked);
    connect(m_acceptButton, &QPushButton::clicked, this, &LoadingCodecWidget::retryClicked);
}

void LoadingCodecWidget::setupUi()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("LoadingCodecWidget"));
    setWindowModality(Qt::WindowModal);
    resize(487, 154);
    setAutoFillBackground(true);
    setStyleSheet(QString::fromLatin1(kWidgetStyleSheet));

    m_outerLayout = new QVBoxLayout(this);
    m_outerLayout->setObjectName(QStringLiteral("verticalLayout_2"));

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("LoadingCodecFrame"));
    m_frame->setStyleSheet(QString::fromLatin1(kFrameStyleSheet));
    m_frame->setFrameShape(QFrame::StyledPanel);
    m_frame->setFrameShadow(QFrame::Raised);
    m_frame->setProperty(kBorderedStyleSheetProperty, QVariant(QString::fromLatin1(kBorderedFrameStyleSheet)));

    m_frameLayout = new QVBoxLayout(m_frame);
    m_frameLayout->setObjectName(QStringLiteral("verticalLayout"));

    m_animationLabel = new QLabel(m_frame);
    m_animationLabel->setObjectName(QStringLiteral("animationLabel"));
    m_animationLabel->setLayoutDirection(Qt::LeftToRight);
    m_animationLabel->setText(QString());
    m_animationLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_frameLayout->addWidget(m_animationLabel);

    m_messageLabel = new QLabel(m_frame);
    m_messageLabel->setObjectName(QStringLiteral("infoLabel"));
    QSizePolicy infoPolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    infoPolicy.setHeightForWidth(m_messageLabel->sizePolicy().hasHeightForWidth());
    m_messageLabel->setSizePolicy(infoPolicy);
    m_messageLabel->setMinimumSize(QSize(0, 32));
    m_messageLabel->setLayoutDirection(Qt::LeftToRight);
    m_messageLabel->setText(QStringLiteral("Loading required codec. Be patient, this only needs to happen once."));
    m_messageLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_frameLayout->addWidget(m_messageLabel);

    m_buttonRow = new QHBoxLayout();
    m_buttonRow->setSpacing(6);
    m_buttonRow->setObjectName(QStringLiteral("buttonBoxLayout"));
    m_buttonRow->setContentsMargins(-1, -1, 6, -1);
    m_buttonSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_buttonRow->addItem(m_buttonSpacer);

    m_cancelButton = new QPushButton(m_frame);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    QSizePolicy cancelPolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    cancelPolicy.setHeightForWidth(m_cancelButton->sizePolicy().hasHeightForWidth());
    m_cancelButton->setSizePolicy(cancelPolicy);
    m_cancelButton->setStyleSheet(QString());
    m_cancelButton->setFlat(true);
    m_buttonRow->addWidget(m_cancelButton);

    m_acceptButton = new QPushButton(m_frame);
    m_acceptButton->setObjectName(QStringLiteral("acceptButton"));
    m_acceptButton->setStyleSheet(QString());
    m_acceptButton->setFlat(true);
    m_buttonRow->addWidget(m_acceptButton);

    m_frameLayout->addLayout(m_buttonRow);
    m_outerLayout->addWidget(m_frame);
}

void LoadingCodecWidget::retranslateUi()
{
    setWindowTitle(QCoreApplication::translate("LoadingCodecWidget", "Form"));
    m_cancelButton->setText(QCoreApplication::translate("LoadingCodecWidget", "Cancel"));
    m_acceptButton->setText(QCoreApplication::translate("LoadingCodecWidget", "Try again"));
}

void LoadingCodecWidget::setErrorCode(int32_t status)
{
    m_errorCode = status;
    QString message = tr("Downloading Movra codec... please be patient, this only needs to happen once.");
    bool showButtons = false;
    m_acceptButton->setText(tr("Try again"));
    QString frameStyle = m_frame->property(kBorderedStyleSheetProperty).toString();

    if (status == kUpdateRequired) {
        message = tr("Movra Software must be updated to play this video.") + QLatin1Char('\n')
                  + tr("Do you want to continue?");
        showButtons = true;
        m_acceptButton->setText(tr("Ok"));
    } else if (status != 0) {
        message = tr("Error %1: Can't download Movra codec. Please check your internet connection and try again")
                      .arg(status, 0, 10, QLatin1Char(' '));
        // The connection is not what failed here: say what did.
        if (status == kSignatureInvalid)
            message += QLatin1Char('\n') + tr("The codec's signature could not be verified.");
        showButtons = true;
    } else {
        frameStyle.clear();
    }

    m_frame->setStyleSheet(frameStyle);
    m_messageLabel->setText(message);
    m_acceptButton->setVisible(showButtons);
    // A download can take long: it can always be given up.
    m_cancelButton->setVisible(true);
    m_animationLabel->setVisible(!showButtons);
    centerOnParent();
}

void LoadingCodecWidget::centerOnParent()
{
    adjustSize();
    if (QWidget* parent = parentWidget()) {
        if (parent->width() > width())
            resize(parent->width(), height());
        move(static_cast<int>((parent->width() - width()) * 0.5),
             static_cast<int>((parent->height() - height()) * 0.5));
    }
}

void LoadingCodecWidget::showEvent(QShowEvent* event)
{
    centerOnParent();

    // Started afresh on every show, so the animation always begins at its first frame. The
    // label's previous movie is not owned by the label and goes with the new one's parent.
    QMovie* previous = m_animationLabel->movie();
    auto* movie = new QMovie(QString::fromLatin1(kAnimationResource), QByteArray(), m_animationLabel);
    m_animationLabel->setMovie(movie);
    movie->start();
    delete previous;

    QPalette black = palette();
    black.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black, Qt::SolidPattern));
    setAutoFillBackground(true);
    setPalette(black);

    QWidget::showEvent(event);
}

void LoadingCodecWidget::retryClicked()
{
    emit finished(true);
}

void LoadingCodecWidget::cancelClicked()
{
    emit finished(false);
}

} // namespace MovraPlayerX
