#include "settings/applicationsettings.h"

#include "settings/opensettings.h"
#include "settings/refcountedptr.h"
#include "settings/settingslog.h"

#include "mpx/mpxstringtools.h"
#include "mpx/osutilities.h"

#include <QSettings>
#include <QVariant>

namespace MovraPlayerX {

namespace {

const char kLegacyOrganization[] = "Movra";
const char kLegacyApplication[] = "Settings";
const char kLegacyGroup[] = "Movra Player";

bool writeLegacyValue(mvds::IMovraSettings& section, const std::string& name, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return section.setValue(name, value.toBool());
    case QMetaType::Int:
        return section.setValue(name, static_cast<int32_t>(value.toInt()));
    case QMetaType::UInt:
        return section.setValue(name, static_cast<uint32_t>(value.toUInt()));
    case QMetaType::LongLong:
        return section.setValue(name, static_cast<int64_t>(value.toLongLong()));
    case QMetaType::ULongLong:
        return section.setValue(name, static_cast<uint64_t>(value.toULongLong()));
    case QMetaType::Double:
        return section.setValue(name, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return !bytes.isEmpty()
               && section.setValue(name, bytes.constData(), static_cast<uint32_t>(bytes.size()));
    }
    default: {
        const std::string text = MPXStringTools::toStdStringUTF8(value.toString());
        return !text.empty() && section.setValue(name, text);
    }
    }
}

// A key leaves the legacy store only once its value is in the new one: a value that
// cannot be placed (no section path, nothing to write, a failed open or write) stays
// where it was instead of being lost.
void importLegacyStore(QSettings& legacy, mvds::IMovraSettings& target)
{
    const QStringList keys = legacy.allKeys();
    for (const QString& key : keys) {
        const QVariant value = legacy.value(key);
        QStringList parts = key.split(QLatin1Char('/'), Qt::KeepEmptyParts);
        const std::string valueName = MPXStringTools::toStdStringUTF8(parts.takeLast());
        const std::string sectionPath = MPXStringTools::toStdStringUTF8(parts.join(QLatin1Char('/')));

        mvtl::RefCountedPtr<mvds::IMovraSettings> section;
        if (!target.openSection(sectionPath, section.out()) || !writeLegacyValue(*section, valueName, value)) {
            qCDebug(lcSettings) << "legacy setting kept, it cannot be imported:" << key;
            continue;
        }
        legacy.remove(key);
    }
}

} // namespace

void importLegacySettings()
{
    mvtl::RefCountedPtr<mvds::IMovraSettings> target;
    const std::string path = "Settings/" + OSUtilities::getComponentIdUTF8();
    if (!mvds::openSettings(path, mvds::UserCreate, target.out())) {
        qCDebug(lcSettings) << "legacy import skipped: cannot open" << path.c_str();
        return;
    }

    QSettings system(QSettings::NativeFormat, QSettings::SystemScope, kLegacyOrganization, kLegacyApplication);
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kLegacyOrganization, kLegacyApplication);
    system.beginGroup(kLegacyGroup);
    user.beginGroup(kLegacyGroup);
    // System first, so a user value overwrites a system value of the same key.
    importLegacyStore(system, *target);
    importLegacyStore(user, *target);
}

} // namespace MovraPlayerX
