#include "seekbar.h"
#include "timetext.h"

#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace MovraReference {

SeekBar::SeekBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setMouseTracking(true);
}

SeekBar::~SeekBar() = default;

int SeekBar::valueAt(const QPoint& point) const
{
    // Linear over the whole groove, as the bar looks: QSlider's own mapping runs from half a
    // handle inside one end to half a handle inside the other, which puts a click at three
    // quarters of the bar a few hundredths off.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect area = groove.width() > 1 ? groove : rect();
    return QStyle::sliderValueFromPosition(minimum(), maximum(), point.x() - area.x(), std::max(1, area.width() - 1),
                                           option.upsideDown);
}

void SeekBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || maximum() <= minimum()) {
        QSlider::mousePressEvent(event);
        return;
    }
    event->accept();
    m_dragging = true;
    setSliderDown(true);
    setSliderPosition(valueAt(event->position().toPoint()));
}

void SeekBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        event->accept();
        setSliderPosition(valueAt(event->position().toPoint()));
    } else {
        QSlider::mouseMoveEvent(event);
    }
    if (maximum() <= minimum()) {
        m_hoverText.clear();
        return;
    }
    m_hoverText = clockText(valueAt(event->position().toPoint()), maximum());
    QToolTip::showText(event->globalPosition().toPoint(), m_hoverText, this);
}

void SeekBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    setSliderPosition(valueAt(event->position().toPoint()));
    m_dragging = false;
    // sliderReleased: the window seeks now, once.
    setSliderDown(false);
}

void SeekBar::leaveEvent(QEvent* event)
{
    m_hoverText.clear();
    QToolTip::hideText();
    QSlider::leaveEvent(event);
}

} // namespace MovraReference
