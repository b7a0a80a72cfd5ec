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
// Below the application settings root: the legacy keys already imported from a store that
// would not let them go (a system-wide file the user cannot write).
const char kImportedRecordSection[] = "LegacyImport";

// INI files hold text only (and comma-separated text comes back as a list), so a key the
// player knows is converted to the type it is read with; otherwise the typed getters would
// answer their defaults. Text that does not parse, and every unknown key, stays text.
QVariant typedByKeyTable(const QVariant& value, const std::string& group, const std::string& name)
{
    const SettingKeyRow* row = findSettingKey(group, name);
    if (value.typeId() == QMetaType::QStringList) {
        const bool storedAsList = row && row->type == SettingType::TextList;
        return value.toStringList().join(storedAsList ? QStringLiteral(":") : QStringLiteral(", "));
    }
    if (!row || value.typeId() != QMetaType::QString)
        return value;

    const QString text = value.toString().trimmed();
    switch (row->type) {
    case SettingType::Integer: {
        bool ok = false;
        const int number = text.toInt(&ok);
        return ok ? QVariant(number) : value;
    }
    case SettingType::Boolean:
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
            return QVariant(true);
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"))
            return QVariant(false);
        return value;
    case SettingType::Text:
    case SettingType::TextList:
        break;
    }
    return value;
}

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

// The legacy keys of one store that an earlier run imported but could not remove. Without
// this record a read-only store would be imported again at every start, over whatever the
// user chose since.
class ImportedRecord
{
public:
    ImportedRecord(mvds::IMovraSettings& target, const char* scope) : m_target(target), m_scope(scope) {}

    bool contains(const QString& key)
    {
        if (!m_opened) {
            m_opened = true;
            // A read-only open, so that a machine whose stores can be emptied never gets the key.
            const std::string path = std::string("Settings/") + OSUtilities::getComponentIdUTF8() + "/"
                                     + kImportedRecordSection + "/" + m_scope;
            mvds::openSettings(path, mvds::UserReadOnly, m_section.out());
        }
        bool imported = false;
        return m_section && m_section->getValue(MPXStringTools::toStdStringUTF8(key), imported) && imported;
    }

    void add(const QStringList& keys)
    {
        mvtl::RefCountedPtr<mvds::IMovraSettings> section;
        const std::string path = std::string(kImportedRecordSection) + "/" + m_scope;
        if (keys.isEmpty() || !m_target.openSection(path, section.out()))
            return;
        for (const QString& key : keys)
            section->setValue(MPXStringTools::toStdStringUTF8(key), true);
    }

private:
    mvds::IMovraSettings& m_target;
    const char* m_scope;
    bool m_opened = false;
    mvtl::RefCountedPtr<mvds::IMovraSettings> m_section;
};

// A key leaves the legacy store only once its value is in the new one: a value that
// cannot be placed (no section path, nothing to write, a failed open or write) stays
// where it was instead of being lost.
void importLegacyStore(QSettings& legacy, mvds::IMovraSettings& target, const char* scope)
{
    const QStringList keys = legacy.allKeys();
    if (keys.isEmpty())
        return;
    ImportedRecord record(target, scope);
    QStringList removed;
    for (const QString& key : keys) {
        if (record.contains(key))
            continue;
        QStringList parts = key.split(QLatin1Char('/'), Qt::KeepEmptyParts);
        const std::string valueName = MPXStringTools::toStdStringUTF8(parts.takeLast());
        const std::string sectionPath = MPXStringTools::toStdStringUTF8(parts.join(QLatin1Char('/')));
        const QVariant value = typedByKeyTable(legacy.value(key), sectionPath, valueName);

        mvtl::RefCountedPtr<mvds::IMovraSettings> section;
        if (!target.openSection(sectionPath, section.out()) || !writeLegacyValue(*section, valueName, value)) {
            qCDebug(lcSettings) << "legacy setting kept, it cannot be imported:" << key;
            continue;
        }
        legacy.remove(key);
        removed << key;
    }
    // QSettings forgets a removed key in memory even when the file cannot be rewritten.
    legacy.sync();
    if (legacy.status() != QSettings::NoError && !removed.isEmpty()) {
        qCDebug(lcSettings) << "legacy store" << legacy.fileName()
                            << "cannot be rewritten; its imported keys are recorded instead";
        record.add(removed);
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
    // The user scope would otherwise also list the system file's keys, importing them again
    // under the user's name.
    user.setFallbacksEnabled(false);
    system.beginGroup(kLegacyGroup);
    user.beginGroup(kLegacyGroup);
    // System first, so a user value overwrites a system value of the same key.
    importLegacyStore(system, *target, "System");
    importLegacyStore(user, *target, "User");
}

} // namespace MovraPlayerX
