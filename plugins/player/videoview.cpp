#include "videoview.h"

#include <QMouseEvent>
#include <QPainter>

namespace MovraReference {

VideoView::VideoView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("videoView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
}

void VideoView::setFrame(const QImage& image, double aspect)
{
    m_image = image;
    m_aspect = aspect;
    update();
}

void VideoView::setText(const QString& text)
{
    m_text = text;
    update();
}

QRect VideoView::pictureRect() const
{
    if (m_image.isNull())
        return QRect();
    const double aspect = m_aspect > 0 ? m_aspect : double(m_image.width()) / m_image.height();
    int w = width();
    int h = int(w / aspect + 0.5);
    if (h > height()) {
        h = height();
        w = int(h * aspect + 0.5);
    }
    return QRect((width() - w) / 2, (height() - h) / 2, w, h);
}

void VideoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x10, 0x14, 0x18));
    if (!m_image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(pictureRect(), m_image);
        return;
    }
    if (!m_text.isEmpty()) {
        painter.setPen(QColor(0xe8, 0xee, 0xf4));
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        painter.setFont(font);
        painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, m_text);
    }
}

void VideoView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void VideoView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace MovraReference
