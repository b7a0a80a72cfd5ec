#pragma once
// Where each file was left, so that it plays on from there when opened again. A file is known
// by its path and size (a file replaced by another of the same name starts from the
// beginning). Only positions between 5 % and 95 % are kept: a film barely begun or nearly
// done starts over. The store keeps the latest kMaxEntries files; the oldest go first.
//
// Kept in the user's root of the settings store, Settings\<component>\ResumePositions, one
// value a file: its name a hash of size and path, its text "position<TAB>saved<TAB>size<TAB>path"
// (milliseconds; `saved` orders the entries, newest largest).

#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>

namespace mvds {
class IMovraSettings;
}

namespace MovraReference {

class ResumePositions
{
public:
    static constexpr int kMaxEntries = 500;

    ResumePositions();
    ~ResumePositions();
    ResumePositions(const ResumePositions&) = delete;
    ResumePositions& operator=(const ResumePositions&) = delete;

    // Whether `positionMs` of `durationMs` is worth coming back to.
    static bool worthKeeping(int64_t positionMs, int64_t durationMs);

    std::optional<int64_t> position(const QString& path, int64_t size);
    // Keeps the position when worth keeping, else forgets the file.
    void update(const QString& path, int64_t size, int64_t positionMs, int64_t durationMs);
    void forget(const QString& path, int64_t size);
    int count();

private:
    struct Entry
    {
        QString path;
        int64_t size = 0;
        int64_t positionMs = 0;
        int64_t saved = 0;
    };
    bool load();
    static QString keyOf(const QString& path, int64_t size);

    mvds::IMovraSettings* m_section = nullptr;
    bool m_loaded = false;
    QHash<QString, Entry> m_entries;
    int64_t m_lastSaved = 0;
};

} // namespace MovraReference
