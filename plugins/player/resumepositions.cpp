#include "resumepositions.h"
#include "playerlog.h"

#include "mpx/osutilities.h"
#include "settings/opensettings.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <string>

namespace MovraReference {

namespace {

constexpr double kFirstShare = 0.05;
constexpr double kLastShare = 0.95;
const char kSectionName[] = "ResumePositions";
const QLatin1Char kField('\t');

} // namespace

ResumePositions::ResumePositions() = default;

ResumePositions::~ResumePositions()
{
    if (m_section)
        m_section->release();
}

bool ResumePositions::worthKeeping(int64_t positionMs, int64_t durationMs)
{
    if (durationMs <= 0 || positionMs <= 0)
        return false;
    return positionMs >= durationMs * kFirstShare && positionMs <= durationMs * kLastShare;
}

QString ResumePositions::keyOf(const QString& path, int64_t size)
{
    // Value names compare without regard to case; paths do not, so the name is a hash.
    const QByteArray identity = QByteArray::number(qint64(size)) + '\n' + path.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex());
}

bool ResumePositions::load()
{
    if (m_loaded)
        return m_section != nullptr;
    m_loaded = true;
    // The user's root alone: positions are one person's, never a machine-wide default.
    const std::string path = "Settings/" + MovraPlayerX::OSUtilities::getComponentIdUTF8() + "/" + kSectionName;
    if (!mvds::openSettings(path, mvds::UserCreate, &m_section)) {
        qCWarning(lcPlayer, "Movra Player: cannot open %s in the settings store; positions are not remembered",
                  path.c_str());
        m_section = nullptr;
        return false;
    }
    std::set<std::string> names;
    m_section->getValueNames(names);
    for (const std::string& name : names) {
        std::string text;
        if (!m_section->getValue(name, text))
            continue;
        const QString value = QString::fromUtf8(text.data(), qsizetype(text.size()));
        const QStringList fields = value.split(kField);
        bool okPosition = false, okSaved = false, okSize = false;
        Entry entry;
        if (fields.size() >= 4) {
            entry.positionMs = fields.at(0).toLongLong(&okPosition);
            entry.saved = fields.at(1).toLongLong(&okSaved);
            entry.size = fields.at(2).toLongLong(&okSize);
            entry.path = value.section(kField, 3);
        }
        const QString key = QString::fromStdString(name);
        if (!okPosition || !okSaved || !okSize || keyOf(entry.path, entry.size) != key.toLower()) {
            // Not ours, or damaged: it would never be found again, so it only takes room.
            m_section->removeValue(name);
            continue;
        }
        m_lastSaved = std::max(m_lastSaved, entry.saved);
        m_entries.insert(key.toLower(), entry);
    }
    return true;
}

std::optional<int64_t> ResumePositions::position(const QString& path, int64_t size)
{
    load();
    const auto found = m_entries.constFind(keyOf(path, size));
    if (found == m_entries.constEnd())
        return std::nullopt;
    return found->positionMs;
}

void ResumePositions::update(const QString& path, int64_t size, int64_t positionMs, int64_t durationMs)
{
    if (!worthKeeping(positionMs, durationMs)) {
        forget(path, size);
        return;
    }
    if (!load())
        return;
    Entry entry{path, size, positionMs, std::max<int64_t>(QDateTime::currentMSecsSinceEpoch(), m_lastSaved + 1)};
    m_lastSaved = entry.saved;
    const QString key = keyOf(path, size);
    const QString text = QString::number(entry.positionMs) + kField + QString::number(entry.saved) + kField
                         + QString::number(entry.size) + kField + path;
    if (!m_section->setValue(key.toStdString(), text.toStdString())) {
        qCWarning(lcPlayer, "Movra Player: cannot remember the position in %s", qUtf8Printable(path));
        return;
    }
    m_entries.insert(key, entry);
    while (m_entries.size() > kMaxEntries) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->saved < oldest->saved)
                oldest = it;
        }
        m_section->removeValue(oldest.key().toStdString());
        m_entries.erase(oldest);
    }
}

void ResumePositions::forget(const QString& path, int64_t size)
{
    if (!load())
        return;
    const QString key = keyOf(path, size);
    if (m_entries.remove(key) > 0)
        m_section->removeValue(key.toStdString());
}

int ResumePositions::count()
{
    load();
    return int(m_entries.size());
}

} // namespace MovraReference
