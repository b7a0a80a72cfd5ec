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
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(cancelClicked()));
    connect(acceptButton, SIGNAL(clicked()), this, SLOT(retryClicked()));
    QMetaObject::connectSlotsByName(this);
}

void LoadingCodecWidget::setupUi()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("LoadingCodecWidget"));
    setWindowModality(Qt::WindowModal);
    resize(487, 154);
    setAutoFillBackground(true);
    setStyleSheet(QString::fromLatin1(kWidgetStyleSheet));

    verticalLayout_2 = new QVBoxLayout(this);
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));

    LoadingCodecFrame = new QFrame(this);
    LoadingCodecFrame->setObjectName(QStringLiteral("LoadingCodecFrame"));
    LoadingCodecFrame->setStyleSheet(QString::fromLatin1(kFrameStyleSheet));
    LoadingCodecFrame->setFrameShape(QFrame::StyledPanel);
    LoadingCodecFrame->setFrameShadow(QFrame::Raised);
    LoadingCodecFrame->setProperty(kBorderedStyleSheetProperty, QVariant(QString::fromLatin1(kBorderedFrameStyleSheet)));

    verticalLayout = new QVBoxLayout(LoadingCodecFrame);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    animationLabel = new QLabel(LoadingCodecFrame);
    animationLabel->setObjectName(QStringLiteral("animationLabel"));
    animationLabel->setLayoutDirection(Qt::LeftToRight);
    animationLabel->setText(QString());
    animationLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    verticalLayout->addWidget(animationLabel);

    infoLabel = new QLabel(LoadingCodecFrame);
    infoLabel->setObjectName(QStringLiteral("infoLabel"));
    QSizePolicy infoPolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    infoPolicy.setHeightForWidth(infoLabel->sizePolicy().hasHeightForWidth());
    infoLabel->setSizePolicy(infoPolicy);
    infoLabel->setMinimumSize(QSize(0, 32));
    infoLabel->setLayoutDirection(Qt::LeftToRight);
    infoLabel->setText(QStringLiteral("Loading required codec. Be patient, this only needs to happen once."));
    infoLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    verticalLayout->addWidget(infoLabel);

    buttonBoxLayout = new QHBoxLayout();
    buttonBoxLayout->setSpacing(6);
    buttonBoxLayout->setObjectName(QStringLiteral("buttonBoxLayout"));
    buttonBoxLayout->setContentsMargins(-1, -1, 6, -1);
    horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    buttonBoxLayout->addItem(horizontalSpacer);

    cancelButton = new QPushButton(LoadingCodecFrame);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    QSizePolicy cancelPolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    cancelPolicy.setHeightForWidth(cancelButton->sizePolicy().hasHeightForWidth());
    cancelButton->setSizePolicy(cancelPolicy);
    cancelButton->setStyleSheet(QString());
    cancelButton->setFlat(true);
    buttonBoxLayout->addWidget(cancelButton);

    acceptButton = new QPushButton(LoadingCodecFrame);
    acceptButton->setObjectName(QStringLiteral("acceptButton"));
    acceptButton->setStyleSheet(QString());
    acceptButton->setFlat(true);
    buttonBoxLayout->addWidget(acceptButton);

    verticalLayout->addLayout(buttonBoxLayout);
    verticalLayout_2->addWidget(LoadingCodecFrame);
}

void LoadingCodecWidget::retranslateUi()
{
    setWindowTitle(QCoreApplication::translate("LoadingCodecWidget", "Form"));
    cancelButton->setText(QCoreApplication::translate("LoadingCodecWidget", "Cancel"));
    acceptButton->setText(QCoreApplication::translate("LoadingCodecWidget", "Try again"));
}

void LoadingCodecWidget::setErrorCode(int32_t status)
{
    m_errorCode = status;
    QString message = tr("Downloading Movra codec... please be patient, this only needs to happen once.");
    bool showButtons = false;
    acceptButton->setText(tr("Try again"));
    QString frameStyle = LoadingCodecFrame->property(kBorderedStyleSheetProperty).toString();

    if (status == kUpdateRequired) {
        message = tr("Movra Software must be updated to play this video.") + QLatin1Char('\n')
                  + tr("Do you want to continue?");
        showButtons = true;
        acceptButton->setText(tr("Ok"));
    } else if (status != 0) {
        message = tr("Error %1: Can't download Movra codec. Please check your internet connection and try again")
                      .arg(status, 0, 10, QLatin1Char(' '));
        showButtons = true;
    } else {
        frameStyle.clear();
    }

    LoadingCodecFrame->setStyleSheet(frameStyle);
    infoLabel->setText(message);
    acceptButton->setVisible(showButtons);
    cancelButton->setVisible(showButtons);
    animationLabel->setVisible(!showButtons);
    centerOnParent();
}

void LoadingCodecWidget::centerOnParent()
{
    adjustSize();
    if (QWidget* parent = parentWidget()) {
        move(static_cast<int>((parent->width() - width()) * 0.5),
             static_cast<int>((parent->height() - height()) * 0.5));
    }
}

void LoadingCodecWidget::showEvent(QShowEvent* event)
{
    centerOnParent();

    // Started afresh on every show, so the animation always begins at its first frame. The
    // label's previous movie is not owned by the label and goes with the new one's parent.
    QMovie* previous = animationLabel->movie();
    auto* movie = new QMovie(QString::fromLatin1(kAnimationResource), QByteArray(), animationLabel);
    animationLabel->setMovie(movie);
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
