#pragma once
#include <QImage>
#include <QWidget>

namespace MovraReference {

// The picture area: the current picture scaled to fit with its aspect ratio kept, or a line
// of text while there is no picture.
class VideoView : public QWidget
{
    Q_OBJECT
public:
    explicit VideoView(QWidget* parent = nullptr);

    void setFrame(const QImage& image, double aspect);
    void setText(const QString& text);
    QString text() const { return m_text; }
    // Where the picture is drawn, in widget coordinates; empty without a picture.
    QRect pictureRect() const;

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    double m_aspect = 0;
    QString m_text;
};

} // namespace MovraReference
