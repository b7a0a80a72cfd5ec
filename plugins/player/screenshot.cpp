#include "screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace MovraReference {
namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraScreenshot", text);
}

} // namespace

QString picturesFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("XDG_PICTURES_DIR");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    const QString desktops = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return desktops.isEmpty() ? QDir::homePath() + QStringLiteral("/Pictures") : desktops;
}

QString screenshotFileName(const QUrl& media, int64_t positionMs)
{
    QString base = QFileInfo(media.isLocalFile() ? media.toLocalFile() : media.path()).completeBaseName();
    // Whatever a file system or a shell would trip over goes.
    for (QChar& c : base) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    if (base.isEmpty() || base.startsWith(QLatin1Char('.')))
        base = QStringLiteral("movra") + base;
    const int64_t ms = std::max<int64_t>(positionMs, 0);
    return QStringLiteral("%1_%2-%3-%4.%5.png")
        .arg(base)
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg((ms / 60000) % 60, 2, 10, QLatin1Char('0'))
        .arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

ScreenshotResult saveScreenshot(const QImage& picture, const QString& folder, const QString& fileName)
{
    ScreenshotResult result;
    QDir dir(folder);
    result.path = dir.filePath(fileName);
    if (picture.isNull()) {
        result.error = tx("There is no picture to save.");
        return result;
    }
    if (!dir.mkpath(QStringLiteral("."))) {
        result.error = tx("The picture could not be saved: the folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder));
        return result;
    }
    const QFileInfo name(fileName);
    for (int n = 2; QFileInfo::exists(result.path) && n < 1000; ++n)
        result.path = dir.filePath(QStringLiteral("%1 (%2).%3").arg(name.completeBaseName()).arg(n).arg(name.suffix()));
    QSaveFile file(result.path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = tx("The picture could not be saved in %1: %2").arg(QDir::toNativeSeparators(folder), file.errorString());
        return result;
    }
    if (!picture.save(&file, "PNG") || !file.commit()) {
        result.error = tx("The picture could not be saved in %1: %2").arg(QDir::toNativeSeparators(folder), file.errorString());
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace MovraReference
