#include "glvideocanvas.h"

#include "playerlog.h"

#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QPainter>

namespace MovraReference {

using namespace MovraStreamEngine;

namespace {

// Written without a version line: the same text compiles as GLSL 1.10 on desktop OpenGL.
const char* const kVertexShader = R"(
attribute vec2 position;
attribute vec2 texturePosition;
varying vec2 at;
void main()
{
    at = texturePosition;
    gl_Position = vec4(position, 0.0, 1.0);
}
)";

// kind: 0 three planes, 1 luma and interleaved chroma, 2 BGRA, 3 luma alone.
const char* const kFragmentShader = R"(
varying vec2 at;
uniform sampler2D planeY;
uniform sampler2D planeU;
uniform sampler2D planeV;
uniform int kind;
uniform vec3 scale;
uniform vec3 offset;
uniform mat3 toRgb;
void main()
{
    if (kind == 2) {
        gl_FragColor = vec4(texture2D(planeY, at).rgb, 1.0);
        return;
    }
    vec3 yuv;
    yuv.x = texture2D(planeY, at).r;
    if (kind == 0)
        yuv.yz = vec2(texture2D(planeU, at).r, texture2D(planeV, at).r);
    else if (kind == 1)
        yuv.yz = texture2D(planeU, at).ra;
    else
        yuv.yz = offset.yz / scale.yz;
    yuv = yuv * scale - offset;
    gl_FragColor = vec4(clamp(toRgb * yuv, 0.0, 1.0), 1.0);
}
)";

struct PlaneShape
{
    int planes;
    int chromaShiftX;
    int chromaShiftY;
    int bits;
    int kind;
};

bool shapeOf(int32_t format, PlaneShape* shape)
{
    switch (format) {
    case kPixelYUV420P:
        *shape = {3, 1, 1, 8, 0};
        return true;
    case kPixelYUV422P:
        *shape = {3, 1, 0, 8, 0};
        return true;
    case kPixelYUV444P:
        *shape = {3, 0, 0, 8, 0};
        return true;
    case kPixelYUV420P10:
        *shape = {3, 1, 1, 10, 0};
        return true;
    case kPixelYUV422P10:
        *shape = {3, 1, 0, 10, 0};
        return true;
    case kPixelYUV444P10:
        *shape = {3, 0, 0, 10, 0};
        return true;
    case kPixelNV12:
        *shape = {2, 1, 1, 8, 1};
        return true;
    case kPixelBGRA:
        *shape = {1, 0, 0, 8, 2};
        return true;
    case kPixelGray8:
        *shape = {1, 0, 0, 8, 3};
        return true;
    default:
        return false;
    }
}

} // namespace

YuvToRgb yuvToRgb(int32_t colorMatrix, int32_t colorRange, int bits, bool tenBitInSixteen)
{
    double kr = 0.299, kb = 0.114;
    if (colorMatrix == kMatrixBT709) {
        kr = 0.2126;
        kb = 0.0722;
    } else if (colorMatrix == kMatrixBT2020) {
        kr = 0.2627;
        kb = 0.0593;
    }
    const double kg = 1.0 - kr - kb;
    const double maxCode = (1 << bits) - 1;
    // The texture's 1.0 in codes: 255 for 8-bit, 65535 for 10-bit in 16-bit textures.
    const double read = tenBitInSixteen ? 65535.0 : maxCode;
    const double step = double(1 << (bits - 8));
    double yScale, yOffset, cScale, cOffset;
    if (colorRange == kRangeFull) {
        yScale = read / maxCode;
        yOffset = 0;
        cScale = read / maxCode;
        cOffset = 128.0 * step / maxCode;
    } else {
        yScale = read / (219.0 * step);
        yOffset = 16.0 / 219.0;
        cScale = read / (224.0 * step);
        cOffset = 128.0 / 224.0;
    }
    YuvToRgb conversion;
    conversion.scale = QVector3D(float(yScale), float(cScale), float(cScale));
    conversion.offset = QVector3D(float(yOffset), float(cOffset), float(cOffset));
    const float rows[9] = {1.0f, 0.0f, float(2.0 * (1.0 - kr)),
                           1.0f, float(-2.0 * kb * (1.0 - kb) / kg), float(-2.0 * kr * (1.0 - kr) / kg),
                           1.0f, float(2.0 * (1.0 - kb)), 0.0f};
    conversion.matrix = QMatrix3x3(rows);
    return conversion;
}

GlVideoCanvas::GlVideoCanvas(QWidget* parent) : QOpenGLWidget(parent)
{
    setObjectName(QStringLiteral("videoCanvas"));
}

GlVideoCanvas::~GlVideoCanvas()
{
    if (m_ready && context()) {
        makeCurrent();
        release();
        doneCurrent();
    }
}

void GlVideoCanvas::release()
{
    glDeleteTextures(int(m_textures.size()), m_textures.data());
    m_textures = {};
    m_textureShapes = {};
    delete m_program;
    m_program = nullptr;
    m_ready = false;
}

void GlVideoCanvas::setPicture(const PicturePtr& picture, const PictureOrientation& orientation, QRect target,
                               const QImage& layer)
{
    m_picture = picture;
    m_orientation = orientation;
    m_target = target;
    m_layer = layer;
    m_uploaded = false;
    update();
}

void GlVideoCanvas::setPictureRect(QRect target)
{
    if (target == m_target)
        return;
    m_target = target;
    update();
}

void GlVideoCanvas::initializeGL()
{
    initializeOpenGLFunctions();
    // A context made again (the widget moved to another window) starts from nothing.
    m_textures = {};
    m_textureShapes = {};
    m_uploaded = false;
    delete m_program;
    m_program = new QOpenGLShaderProgram;
    if (!m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader)
        || !m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader)
        || (m_program->bindAttributeLocation("position", 0), m_program->bindAttributeLocation("texturePosition", 1),
            !m_program->link())) {
        qCWarning(lcPlayer, "Movra Player: the picture shader does not build: %s", qUtf8Printable(m_program->log()));
        return;
    }
    glGenTextures(int(m_textures.size()), m_textures.data());
    for (unsigned texture : m_textures) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    m_ready = true;
}

bool GlVideoCanvas::upload()
{
    const Picture& picture = *m_picture;
    PlaneShape shape;
    if (!shapeOf(picture.pixelFormat, &shape))
        return false;
    const int bytesPerSample = shape.bits > 8 ? 2 : 1;
    for (int p = 0; p < shape.planes; ++p) {
        const bool chroma = p > 0;
        const int width = chroma ? -((-picture.width) >> shape.chromaShiftX) : picture.width;
        const int height = chroma ? -((-picture.height) >> shape.chromaShiftY) : picture.height;
        GLint internal = bytesPerSample == 2 ? GL_LUMINANCE16 : GL_LUMINANCE8;
        GLenum format = GL_LUMINANCE;
        GLenum type = bytesPerSample == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE;
        int texelBytes = bytesPerSample;
        if (shape.kind == 1 && chroma) {
            internal = GL_LUMINANCE8_ALPHA8;
            format = GL_LUMINANCE_ALPHA;
            texelBytes = 2;
        } else if (shape.kind == 2) {
            internal = GL_RGBA8;
            format = GL_BGRA;
            texelBytes = 4;
        }
        glActiveTexture(GLenum(GL_TEXTURE0 + p));
        glBindTexture(GL_TEXTURE_2D, m_textures[std::size_t(p)]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, picture.strides[p] / texelBytes);
        const std::array<int, 3> madeFor = {width, height, int(internal)};
        if (m_textureShapes[std::size_t(p)] != madeFor) {
            glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, format, type, picture.planes[p]);
            m_textureShapes[std::size_t(p)] = madeFor;
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, type, picture.planes[p]);
        }
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
}

void GlVideoCanvas::paintGL()
{
    glClearColor(0x10 / 255.0f, 0x14 / 255.0f, 0x18 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!m_ready || !m_picture || m_target.isEmpty())
        return;
    PlaneShape shape;
    if (!shapeOf(m_picture->pixelFormat, &shape))
        return;
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    if (!m_uploaded)
        m_uploaded = upload();
    if (!m_uploaded)
        return;
    const qreal ratio = devicePixelRatioF();
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    // The target in clip space (y upwards).
    const float left = float(2.0 * m_target.left() / w - 1.0);
    const float right = float(2.0 * (m_target.left() + m_target.width()) / w - 1.0);
    const float top = float(1.0 - 2.0 * m_target.top() / h);
    const float bottom = float(1.0 - 2.0 * (m_target.top() + m_target.height()) / h);
    // Each corner shown takes the picture's point that the orientation brings there: undo
    // the mirroring, then turn back counter-clockwise.
    const auto source = [this](float x, float y) {
        if (m_orientation.mirrorHorizontally)
            x = 1.0f - x;
        if (m_orientation.mirrorVertically)
            y = 1.0f - y;
        for (int i = 0; i < m_orientation.clockwiseQuarterTurns % 4; ++i) {
            const float nx = y, ny = 1.0f - x;
            x = nx;
            y = ny;
        }
        return QPointF(x, y);
    };
    const QPointF tl = source(0, 0), tr = source(1, 0), bl = source(0, 1), br = source(1, 1);
    const GLfloat vertices[] = {left, top, right, top, left, bottom, right, bottom};
    const GLfloat texels[] = {float(tl.x()), float(tl.y()), float(tr.x()), float(tr.y()),
                              float(bl.x()), float(bl.y()), float(br.x()), float(br.y())};
    glViewport(0, 0, int(w * ratio), int(h * ratio));
    m_program->bind();
    m_program->setUniformValue("planeY", 0);
    m_program->setUniformValue("planeU", 1);
    m_program->setUniformValue("planeV", 2);
    m_program->setUniformValue("kind", shape.kind);
    const YuvToRgb conversion = yuvToRgb(effectiveColorMatrix(m_picture->colorMatrix, m_picture->width, m_picture->height),
                                         m_picture->colorRange, shape.bits, shape.bits > 8);
    m_program->setUniformValue("scale", conversion.scale);
    m_program->setUniformValue("offset", conversion.offset);
    m_program->setUniformValue("toRgb", conversion.matrix);
    for (int p = 0; p < 3; ++p) {
        glActiveTexture(GLenum(GL_TEXTURE0 + p));
        glBindTexture(GL_TEXTURE_2D, m_textures[std::size_t(p)]);
    }
    glActiveTexture(GL_TEXTURE0);
    m_program->enableAttributeArray(0);
    m_program->enableAttributeArray(1);
    m_program->setAttributeArray(0, GL_FLOAT, vertices, 2);
    m_program->setAttributeArray(1, GL_FLOAT, texels, 2);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    m_program->disableAttributeArray(0);
    m_program->disableAttributeArray(1);
    m_program->release();
    if (!m_layer.isNull()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(m_target, m_layer);
    }
}

} // namespace MovraReference
