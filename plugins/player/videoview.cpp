#include "videoview.h"

#include "glvideocanvas.h"
#include "playerlog.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

namespace MovraReference {

VideoOutput chooseVideoOutput(const QByteArray& forced, GlSupport support)
{
    const QByteArray asked = forced.trimmed().toLower();
    if (asked == "raster")
        return VideoOutput::Raster;
    if (asked == "gl") {
        if (support != GlSupport::None)
            return VideoOutput::GL;
        qCWarning(lcPlayer, "Movra Player: MOVRA_VIDEO_OUTPUT=gl, but no OpenGL context can be made: drawing pictures without it");
        return VideoOutput::Raster;
    }
    if (!asked.isEmpty())
        qCWarning(lcPlayer, "Movra Player: MOVRA_VIDEO_OUTPUT=%s is neither gl nor raster: chosen as if unset",
                  asked.constData());
    return support == GlSupport::Hardware ? VideoOutput::GL : VideoOutput::Raster;
}

VideoOutput chooseVideoOutput()
{
    const QByteArray forced = qgetenv("MOVRA_VIDEO_OUTPUT");
    if (forced.trimmed().toLower() == "raster")
        return VideoOutput::Raster;
    return chooseVideoOutput(forced, glSupport());
}

bool isSoftwareRenderer(const QByteArray& renderer)
{
    const QByteArray name = renderer.toLower();
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"}) {
        if (name.contains(software))
            return true;
    }
    return false;
}

GlSupport glSupport()
{
    static const GlSupport support = [] {
        QOpenGLContext context;
        if (!context.create() || context.isOpenGLES())
            return GlSupport::None;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid() || !context.makeCurrent(&surface))
            return GlSupport::None;
        const bool recent = context.format().version() >= qMakePair(2, 1);
        const auto* renderer = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
        const bool software = isSoftwareRenderer(QByteArray(renderer ? renderer : ""));
        context.doneCurrent();
        if (!recent)
            return GlSupport::None;
        return software ? GlSupport::Software : GlSupport::Hardware;
    }();
    return support;
}

VideoView::VideoView(QWidget* parent, VideoOutput output) : QWidget(parent)
{
    setObjectName(QStringLiteral("videoView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
    if (output == VideoOutput::GL)
        useGl();
}

void VideoView::useGl()
{
    if (m_canvas)
        return;
    // Shown only while there is a picture; the text of the moment is this view's own.
    m_canvas = new GlVideoCanvas(this);
    m_canvas->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_canvas->hide();
}

void VideoView::setFrame(const QImage& image, double aspect)
{
    m_image = image;
    m_picture.reset();
    m_aspect = aspect;
    if (m_canvas && m_image.isNull()) {
        m_canvas->setPicture(nullptr, {}, QRect(), QImage());
        m_canvas->hide();
    }
    update();
}

void VideoView::setPicture(const PicturePtr& picture, const PictureOrientation& orientation, double aspect,
                           const QImage& layer)
{
    if (!m_canvas) {
        m_picture.reset();
        return;
    }
    m_image = QImage();
    m_picture = picture;
    m_aspect = aspect;
    m_canvas->setPicture(picture, orientation, pictureRect(), layer);
    if (m_picture && m_canvas->isHidden()) {
        m_canvas->setGeometry(rect());
        m_canvas->lower();
        m_canvas->show();
    } else if (!m_picture && !m_canvas->isHidden()) {
        m_canvas->hide();
        update();
    }
}

void VideoView::setText(const QString& text)
{
    m_text = text;
    update();
}

QRect VideoView::pictureRect() const
{
    if (!hasPicture())
        return QRect();
    double aspect = m_aspect;
    if (!(aspect > 0))
        aspect = m_picture ? double(m_picture->width) / m_picture->height : double(m_image.width()) / m_image.height();
    int w = width();
    int h = int(w / aspect + 0.5);
    if (h > height()) {
        h = height();
        w = int(h * aspect + 0.5);
    }
    return QRect((width() - w) / 2, (height() - h) / 2, w, h);
}

QSize VideoView::pictureArea() const
{
    const qreal ratio = devicePixelRatioF();
    return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

QImage VideoView::grabCanvas()
{
    return m_canvas && !m_canvas->isHidden() ? m_canvas->grabFramebuffer() : QImage();
}

void VideoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor background(0x10, 0x14, 0x18);
    if (!m_image.isNull()) {
        const QRect target = pictureRect();
        // Only the bars around the picture: the picture covers the rest.
        for (const QRect& bar : QRegion(rect()).subtracted(target))
            painter.fillRect(bar, background);
        const qreal ratio = devicePixelRatioF();
        // A picture made for this size is copied as it is; one made for another size (the
        // view just changed) is scaled until pictures of the new size arrive.
        if (m_image.size() == QSize(qRound(target.width() * ratio), qRound(target.height() * ratio))
            && ratio == 1.0) {
            painter.drawImage(target.topLeft(), m_image);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, m_image);
        }
        return;
    }
    painter.fillRect(rect(), background);
    if (m_picture)
        return;
    if (!m_text.isEmpty()) {
        painter.setPen(QColor(0xe8, 0xee, 0xf4));
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        painter.setFont(font);
        painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, m_text);
    }
}

void VideoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_canvas) {
        m_canvas->setGeometry(rect());
        m_canvas->setPictureRect(pictureRect());
    }
    emit pictureAreaChanged(pictureArea());
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
