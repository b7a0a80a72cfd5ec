#pragma once
// The position slider: a click puts the position where the pointer is (not a page step
// towards it), the pointer's hover shows the time under it, and a drag seeks once, on release.

#include <QSlider>

namespace MovraReference {

class SeekBar : public QSlider
{
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);
    ~SeekBar() override;

    // The value under a point of the widget, as a click there would set it.
    int valueAt(const QPoint& point) const;
    // What the hover shows now; empty while the pointer is elsewhere.
    QString hoverText() const { return m_hoverText; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_hoverText;
    bool m_dragging = false;
};

} // namespace MovraReference
