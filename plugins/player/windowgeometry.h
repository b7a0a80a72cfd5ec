#pragma once
// Where the main window comes back: the geometry it was closed with, as far as the screens
// of this start allow. A value from the settings store may be anything: missing, zero,
// negative, huge, or for a screen that is no longer there.

#include <QList>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>

namespace MovraReference {

struct StoredGeometry
{
    int64_t x = 0;
    int64_t y = 0;
    int64_t width = 0;
    int64_t height = 0;
};

// The rectangle to give the window: on the screen (available area) that holds most of the
// stored one, or centred on the first screen when none does; at least `minimum` where the
// screen has room, never larger than the screen, and wholly inside it. Without a stored
// geometry (or with no size), `preferredSize` centred on the first screen. An empty
// rectangle when there is no screen.
QRect placeWindow(const std::optional<StoredGeometry>& stored, const QList<QRect>& screens, const QSize& minimum,
                  const QSize& preferredSize);

} // namespace MovraReference
