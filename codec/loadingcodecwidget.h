#pragma once
// The panel shown over the player window while a codec is installed: downloading (status 0),
// an error with the status (any other), or the question whether to update (14). It only shows
// and reports; the application object decides what an answer means.

#include <QWidget>

#include <cstdint>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;

namespace MovraPlayerX {

class LoadingCodecWidget : public QWidget
{
    Q_OBJECT
public:
    // The status for which the panel asks whether to update the player.
    static constexpr int32_t kUpdateRequired = 14;

    explicit LoadingCodecWidget(QWidget* parent = nullptr);

    void setErrorCode(int32_t status);
    int32_t errorCode() const { return m_errorCode; }

signals:
    // True for "Try again" and "Ok", false for "Cancel".
    void finished(bool accepted);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void retryClicked();
    void cancelClicked();

private:
    void setupUi();
    void retranslateUi();
    void centerOnParent();

    QVBoxLayout* verticalLayout_2 = nullptr;
    QFrame* LoadingCodecFrame = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QLabel* animationLabel = nullptr;
    QLabel* infoLabel = nullptr;
    QHBoxLayout* buttonBoxLayout = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* acceptButton = nullptr;
    int32_t m_errorCode = 0;
};

} // namespace MovraPlayerX
