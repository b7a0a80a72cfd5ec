#pragma once
// Saving the picture on screen at the video's own size as a PNG file in the user's pictures
// folder, named after the media and the position ("film_00-12-34.567.png").

#include <QImage>
#include <QString>
#include <QUrl>

#include <cstdint>

namespace MovraReference {

// XDG_PICTURES_DIR when set, else the desktop's pictures folder (~/Pictures without one).
QString picturesFolder();
// "<media base name>_HH-MM-SS.mmm.png"; a name the address does not give becomes "movra".
QString screenshotFileName(const QUrl& media, int64_t positionMs);

struct ScreenshotResult
{
    bool ok = false;
    QString path;    // where it went, or where it was meant to go
    QString error;   // why not, in words for the window
};

// Writes picture into folder (made if missing) without replacing an earlier file of the
// same name: a number is added then.
ScreenshotResult saveScreenshot(const QImage& picture, const QString& folder, const QString& fileName);

} // namespace MovraReference
