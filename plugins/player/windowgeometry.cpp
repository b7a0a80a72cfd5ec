#include "windowgeometry.h"

#include <algorithm>

namespace MovraReference {

namespace {

// Overlap in 64 bits: stored values near the limits of int must not wrap.
int64_t overlap(const StoredGeometry& a, const QRect& b)
{
    const int64_t left = std::max<int64_t>(a.x, b.x());
    const int64_t top = std::max<int64_t>(a.y, b.y());
    const int64_t right = std::min<int64_t>(a.x + a.width, int64_t(b.x()) + b.width());
    const int64_t bottom = std::min<int64_t>(a.y + a.height, int64_t(b.y()) + b.height());
    if (right <= left || bottom <= top)
        return 0;
    // Each side is at most the screen's, so the product stays far below 2^63.
    return (right - left) * (bottom - top);
}

int clampedLength(int64_t wanted, int minimum, int available)
{
    return int(std::clamp<int64_t>(wanted, std::min(minimum, available), available));
}

int clampedStart(int64_t wanted, int start, int available, int length)
{
    return int(std::clamp<int64_t>(wanted, start, int64_t(start) + available - length));
}

QRect centred(const QRect& screen, const QSize& wanted, const QSize& minimum)
{
    const int width = clampedLength(wanted.width(), minimum.width(), screen.width());
    const int height = clampedLength(wanted.height(), minimum.height(), screen.height());
    return QRect(screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2, width, height);
}

} // namespace

QRect placeWindow(const std::optional<StoredGeometry>& stored, const QList<QRect>& screens, const QSize& minimum,
                  const QSize& preferredSize)
{
    QList<QRect> usable;
    for (const QRect& screen : screens) {
        if (screen.width() > 0 && screen.height() > 0)
            usable.append(screen);
    }
    if (usable.isEmpty())
        return QRect();
    if (!stored || stored->width <= 0 || stored->height <= 0)
        return centred(usable.first(), preferredSize, minimum);

    const QRect* best = nullptr;
    int64_t bestOverlap = 0;
    for (const QRect& screen : usable) {
        const int64_t area = overlap(*stored, screen);
        if (area > bestOverlap) {
            bestOverlap = area;
            best = &screen;
        }
    }
    if (!best)
        return centred(usable.first(), QSize(clampedLength(stored->width, 0, usable.first().width()),
                                             clampedLength(stored->height, 0, usable.first().height())),
                       minimum);

    const int width = clampedLength(stored->width, minimum.width(), best->width());
    const int height = clampedLength(stored->height, minimum.height(), best->height());
    return QRect(clampedStart(stored->x, best->x(), best->width(), width),
                 clampedStart(stored->y, best->y(), best->height(), height), width, height);
}

} // namespace MovraReference
