#pragma once
// The GL path's drawing surface: the decoded planes of each picture are uploaded as
// textures, and a fragment shader turns YUV into RGB (BT.601, BT.709 or BT.2020, limited or
// full range) while the texture units scale the picture to the size it is shown at. A clear
// layer (subtitles) is drawn over the picture by the painter.

#include "picture.h"

#include <QImage>
#include <QMatrix3x3>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QVector3D>

#include <array>

class QOpenGLShaderProgram;

namespace MovraReference {

// The shader's colour conversion for one kind of picture: each sample (as the texture
// reads it, 0 to 1) is first scaled and offset, c = sample * scale - offset, giving Y in 0..1
// and Cb, Cr in -0.5..0.5; the matrix then makes RGB of (Y, Cb, Cr).
struct YuvToRgb
{
    QVector3D scale;
    QVector3D offset;
    QMatrix3x3 matrix;   // row-major: R, G, B
};
// bits: 8 or 10, as stored; tenBitInSixteen: 10-bit samples read from 16-bit textures (a
// value v arrives as v / 65535).
YuvToRgb yuvToRgb(int32_t colorMatrix, int32_t colorRange, int bits, bool tenBitInSixteen);

class GlVideoCanvas : public QOpenGLWidget, protected QOpenGLFunctions
{
    Q_OBJECT
public:
    explicit GlVideoCanvas(QWidget* parent = nullptr);
    ~GlVideoCanvas() override;

    // target: where the picture goes, in widget coordinates.
    void setPicture(const PicturePtr& picture, const PictureOrientation& orientation, QRect target,
                    const QImage& layer);
    void setPictureRect(QRect target);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    bool upload();
    void release();

    PicturePtr m_picture;
    PictureOrientation m_orientation;
    QRect m_target;
    QImage m_layer;
    bool m_uploaded = false;

    QOpenGLShaderProgram* m_program = nullptr;
    std::array<unsigned, 3> m_textures = {};
    // What the textures were last made for: width, height and format of each plane.
    std::array<std::array<int, 3>, 3> m_textureShapes = {};
    bool m_ready = false;
};

} // namespace MovraReference
