#pragma once
#include "picture.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

namespace MovraReference {

class GlVideoCanvas;

// How pictures reach the screen: converted to 32-bit pictures on the decoding thread and
// drawn by the painter (raster), or the decoded planes uploaded as textures and converted
// and scaled by the graphics card (GL).
enum class VideoOutput { Raster, GL };

// What OpenGL this process can have: none, a software rasteriser (Mesa's llvmpipe and the
// like, as in virtual machines and on displays without a driver), or a graphics card.
enum class GlSupport { None, Software, Hardware };

// MOVRA_VIDEO_OUTPUT ("gl" or "raster") forces either; otherwise GL only with a graphics
// card: a software rasteriser converts and scales on the processor too, at several times the
// cost of the raster path. GL forced where no context can be made falls back, with a warning.
VideoOutput chooseVideoOutput(const QByteArray& forced, GlSupport support);
VideoOutput chooseVideoOutput();
// Whether an OpenGL context of the kind the GL path needs (desktop OpenGL 2.1 or later)
// can be made here, and on what; answered once per process.
GlSupport glSupport();
inline bool canMakeGlContext() { return glSupport() != GlSupport::None; }
// A renderer name (GL_RENDERER) that stands for drawing on the processor.
bool isSoftwareRenderer(const QByteArray& renderer);

// The picture area: the current picture scaled to fit with its aspect ratio kept, or a line
// of text while there is no picture.
class VideoView : public QWidget
{
    Q_OBJECT
public:
    explicit VideoView(QWidget* parent = nullptr, VideoOutput output = VideoOutput::Raster);

    VideoOutput output() const { return m_canvas ? VideoOutput::GL : VideoOutput::Raster; }
    // Turns to GL (raster stays until the next picture is set); may come after the window
    // is shown, so that a window that never plays video never loads OpenGL.
    void useGl();
    // Raster: a picture converted already, best at pictureArea()'s size.
    void setFrame(const QImage& image, double aspect);
    // GL: the decoded picture, turned as given, with a clear layer (subtitles) over it.
    void setPicture(const PicturePtr& picture, const PictureOrientation& orientation, double aspect,
                    const QImage& layer);
    void setText(const QString& text);
    QString text() const { return m_text; }
    // Where the picture is drawn, in widget coordinates; empty without a picture.
    QRect pictureRect() const;
    // The space pictures fit into, in device pixels.
    QSize pictureArea() const;
    // GL: the canvas as drawn (a grab of its frame buffer); null on the raster path.
    QImage grabCanvas();

signals:
    void clicked();
    void doubleClicked();
    void pictureAreaChanged(QSize devicePixels);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool hasPicture() const { return !m_image.isNull() || m_picture; }

    QImage m_image;
    PicturePtr m_picture;
    double m_aspect = 0;
    QString m_text;
    GlVideoCanvas* m_canvas = nullptr;
};

} // namespace MovraReference
