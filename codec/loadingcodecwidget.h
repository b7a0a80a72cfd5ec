#pragma once
// The panel shown over the player window while a codec is installed: downloading (status 0,
// with a Cancel that ends the download), an error with the status (any other), or the
// question whether to update (14). It only shows and reports; the application object decides
// what an answer means. It spans the width of the window it sits on, so nothing of what the
// window shows beneath (the player's "Waiting for the … decoder" line) peeks out beside it.

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
    // The component manager's status for a catalogue whose signature does not verify.
    static constexpr int32_t kSignatureInvalid = 22;

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

    // Object names (in setupUi) stay those the style sheets and callers look for.
    QVBoxLayout* m_outerLayout = nullptr;
    QFrame* m_frame = nullptr;
    QVBoxLayout* m_frameLayout = nullptr;
    QLabel* m_animationLabel = nullptr;
    QLabel* m_messageLabel = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    QSpacerItem* m_buttonSpacer = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_acceptButton = nullptr;
    int32_t m_errorCode = 0;
};

} // namespace MovraPlayerX
