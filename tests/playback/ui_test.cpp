// The main window's place kept in the settings store, its Open dialogs, and the two About boxes.

#include "playbacksupport.h"

#include "aboutdialogs.h"
#include "playerwindow.h"
#include "windowgeometry.h"

#include "settings/applicationsettings.h"
#include "settings/registrysandbox.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <climits>
#include <string>

using namespace playbacktest;
using namespace MovraReference;
using MovraPlayerX::ApplicationSettings;

namespace {

const QSize kMinimum(320, 240);
const QSize kPreferred(720, 480);

struct PlacementCase
{
    const char* name;
    std::optional<StoredGeometry> stored;
    QRect expected;
};

TEST(WindowPlacement, AStoredGeometryComesBackWholeOnAScreen)
{
    // A wide first screen and a second one to its right, each less its panels.
    const QList<QRect> screens = {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    const PlacementCase cases[] = {
        {"on the first screen", StoredGeometry{100, 80, 800, 600}, QRect(100, 80, 800, 600)},
        {"on the second screen", StoredGeometry{2000, 100, 900, 700}, QRect(2000, 100, 900, 700)},
        {"across both: on the one holding more", StoredGeometry{1500, 100, 600, 400}, QRect(1320, 100, 600, 400)},
        {"partly below the screen", StoredGeometry{100, 900, 800, 600}, QRect(100, 440, 800, 600)},
        {"right of every screen", StoredGeometry{10000, 50, 800, 600}, QRect(560, 220, 800, 600)},
        {"above every screen", StoredGeometry{100, -5000, 800, 600}, QRect(560, 220, 800, 600)},
        {"larger than its screen", StoredGeometry{0, 0, 5000, 5000}, QRect(0, 0, 1920, 1040)},
        {"smaller than usable", StoredGeometry{100, 100, 10, 10}, QRect(100, 100, 320, 240)},
        {"no size", StoredGeometry{100, 100, 0, 0}, QRect(600, 280, 720, 480)},
        {"negative size", StoredGeometry{100, 100, -800, 600}, QRect(600, 280, 720, 480)},
        {"nothing stored", std::nullopt, QRect(600, 280, 720, 480)},
        {"the largest int everywhere", StoredGeometry{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, QRect(0, 0, 1920, 1040)},
        {"the smallest position, the largest size", StoredGeometry{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
         QRect(0, 0, 1920, 1040)},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(placeWindow(c.stored, screens, kMinimum, kPreferred), c.expected);
    }
    // A screen too small for the minimum: the window fits the screen instead.
    EXPECT_EQ(placeWindow(StoredGeometry{0, 0, 800, 600}, {QRect(0, 0, 300, 200)}, kMinimum, kPreferred),
              QRect(0, 0, 300, 200));
    EXPECT_TRUE(placeWindow(StoredGeometry{0, 0, 800, 600}, {}, kMinimum, kPreferred).isNull());
}

QRect storedGeometry()
{
    ApplicationSettings& settings = ApplicationSettings::application();
    return QRect(settings.get(MovraPlayerX::kPlayerXPos, int32_t(-1)), settings.get(MovraPlayerX::kPlayerYPos, int32_t(-1)),
                 settings.get(MovraPlayerX::kPlayerWidth, int32_t(-1)), settings.get(MovraPlayerX::kPlayerHeight, int32_t(-1)));
}

TEST(PlayerWindowSettings, TheGeometryRoundTripsThroughTheStoreAndGarbageStaysOnScreen)
{
    RegistrySandbox sandbox;
    auto farm = makeFarm(false);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ApplicationSettings& settings = ApplicationSettings::application();

    {
        // First start: the preferred size, centred; closing stores where it was.
        PlayerWindow window(farm.get());
        window.useSettings();
        EXPECT_EQ(window.size(), kPreferred.boundedTo(screen.size()));
        EXPECT_TRUE(screen.contains(window.geometry()));
        const QRect placed = window.geometry();
        window.show();
        EXPECT_EQ(window.geometry(), placed);
        window.setGeometry(40, 30, 500, 350);
        window.close();
        EXPECT_EQ(storedGeometry(), QRect(40, 30, 500, 350));
    }
    {
        PlayerWindow window(farm.get());
        window.useSettings();
        EXPECT_EQ(window.geometry(), QRect(40, 30, 500, 350));
        // Full screen is not what comes back: the size before it is.
        window.show();
        window.showFullScreen();
        window.close();
        EXPECT_EQ(storedGeometry(), QRect(40, 30, 500, 350));
    }

    struct Garbage
    {
        const char* name;
        int32_t x, y, width, height;
    };
    const Garbage garbage[] = {
        {"far off the screen", -99999, 123456, 640, 400},
        {"no size", 10, 10, 0, 0},
        {"the largest int", INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {"negative size", 10, 10, -640, -400},
    };
    for (const Garbage& g : garbage) {
        SCOPED_TRACE(g.name);
        settings.set(MovraPlayerX::kPlayerXPos, g.x);
        settings.set(MovraPlayerX::kPlayerYPos, g.y);
        settings.set(MovraPlayerX::kPlayerWidth, g.width);
        settings.set(MovraPlayerX::kPlayerHeight, g.height);
        PlayerWindow window(farm.get());
        window.useSettings();
        EXPECT_TRUE(screen.contains(window.geometry())) << window.geometry().x() << "," << window.geometry().y() << " "
                                                        << window.width() << "x" << window.height();
        EXPECT_GE(window.width(), std::min(kMinimum.width(), screen.width()));
        EXPECT_GE(window.height(), std::min(kMinimum.height(), screen.height()));
    }
    // A value of the wrong type (text, as an old settings file may leave it) counts as absent.
    settings.setSetting("PlayerState", "PlayerWidth", QStringLiteral("wide"));
    PlayerWindow window(farm.get());
    window.useSettings();
    EXPECT_EQ(window.size(), kPreferred.boundedTo(screen.size()));
}

// Whether the user root names a key `name` (stored as UTF-16), read by a connection of its
// own as another process would; and whether that connection can begin writing at once.
struct RootSeenFromOutside
{
    bool hasKey = false;
    bool writable = false;
};

RootSeenFromOutside seeFromOutside(const QString& file, const QString& name)
{
    RootSeenFromOutside seen;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM keys WHERE name = ?", -1, &query, nullptr) == SQLITE_OK) {
            sqlite3_bind_blob(query, 1, name.utf16(), int(name.size() * 2), SQLITE_TRANSIENT);
            seen.hasKey = sqlite3_step(query) == SQLITE_ROW && sqlite3_column_int(query, 0) > 0;
        }
        sqlite3_finalize(query);
        seen.writable = sqlite3_exec(db, "BEGIN IMMEDIATE; ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return seen;
}

TEST(PlayerWindowSettings, OpeningOnAFreshRootCommitsItsGroupsAndLeavesTheRootFree)
{
    // The window's first reads make their groups as one batch: once it has opened, another
    // process sees them and may write at once, and what the window read is still right.
    RegistrySandbox sandbox;
    auto farm = makeFarm(false);
    {
        PlayerWindow window(farm.get());
        window.useSettings();
        EXPECT_EQ(window.size(), kPreferred.boundedTo(QGuiApplication::primaryScreen()->availableGeometry().size()));
        for (const char* group : {"Languages", "Subtitles"}) {
            SCOPED_TRACE(group);
            const RootSeenFromOutside seen = seeFromOutside(sandbox.userFile(), QLatin1String(group));
            EXPECT_TRUE(seen.hasKey);
            EXPECT_TRUE(seen.writable);
        }
        window.setGeometry(50, 60, 400, 300);
        window.close();
    }
    EXPECT_TRUE(seeFromOutside(sandbox.userFile(), QStringLiteral("PlayerState")).writable);
    EXPECT_EQ(storedGeometry(), QRect(50, 60, 400, 300));
}

// Counts commits to a root by other connections, as another process would see them.
class OutsideConnection
{
public:
    explicit OutsideConnection(const QString& file)
    {
        sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~OutsideConnection() { sqlite3_close(m_db); }
    OutsideConnection(const OutsideConnection&) = delete;
    OutsideConnection& operator=(const OutsideConnection&) = delete;

    // Changes whenever another connection has committed since the last call.
    int64_t dataVersion() const
    {
        int64_t version = -1;
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &query, nullptr) == SQLITE_OK
            && sqlite3_step(query) == SQLITE_ROW)
            version = sqlite3_column_int64(query, 0);
        sqlite3_finalize(query);
        return version;
    }

private:
    sqlite3* m_db = nullptr;
};

TEST(PlayerWindowSettings, ClosingCommitsTheGeometryOnlyWhenTheWindowMoved)
{
    // A start that changed nothing waits for no disk at its close; a move is stored and
    // committed when the window closes. The rows run in order on one root.
    struct Row
    {
        const char* name;
        QRect moveTo; // null: left where it was placed
        bool commits;
        QRect stored; // afterwards; -1 everywhere for nothing stored
    };
    const QRect nothing(-1, -1, -1, -1);
    const Row rows[] = {
        {"first start, left where it was placed", QRect(), false, nothing},
        {"moved and resized", QRect(40, 30, 500, 350), true, QRect(40, 30, 500, 350)},
        {"reopened and left where it came back", QRect(), false, QRect(40, 30, 500, 350)},
        {"moved only", QRect(90, 30, 500, 350), true, QRect(90, 30, 500, 350)},
    };
    RegistrySandbox sandbox;
    auto farm = makeFarm(false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PlayerWindow window(farm.get());
        window.useSettings();
        window.show();
        const OutsideConnection outside(sandbox.userFile());
        const int64_t before = outside.dataVersion();
        ASSERT_GE(before, 0);
        if (!row.moveTo.isNull())
            window.setGeometry(row.moveTo);
        window.close();
        EXPECT_EQ(outside.dataVersion() != before, row.commits);
        EXPECT_EQ(storedGeometry(), row.stored);
    }
}

TEST(PlayerWindowDialogs, OpenOffersTheMediaTypesAndTheAddressDialogIsWide)
{
    const QStringList filters = PlayerWindow::openFileFilters();
    const char* const associated[] = {"avi", "movra", "mvr", "tix", "xvid", "mkv", "mov",
                                      "mp4", "wmv", "vob", "mpg", "mpeg", "asf", "qt"};
    ASSERT_EQ(filters.size(), 18) << qPrintable(filters.join(QLatin1Char('\n')));
    // The first, chosen when the dialog opens, shows sound files as well as films.
    EXPECT_TRUE(filters[0].startsWith(QLatin1String("All media files (")));
    for (const char* extension : {"mp3", "flac", "ogg", "wav", "opus", "m4a", "webm", "mkv"}) {
        const QString pattern = QStringLiteral("*.") + QLatin1String(extension);
        EXPECT_TRUE(filters[0].contains(pattern + QLatin1Char(' ') + pattern.toUpper())) << extension;
    }
    for (int i = 0; i < 14; ++i) {
        const QString lower = QStringLiteral("*.") + QLatin1String(associated[i]);
        SCOPED_TRACE(qPrintable(lower));
        EXPECT_EQ(filters[i + 1], QStringLiteral("%1 files (%2 %3)").arg(lower.mid(2).toUpper(), lower, lower.toUpper()));
        EXPECT_TRUE(filters[15].contains(lower + QLatin1Char(' ')));
    }
    EXPECT_TRUE(filters[15].startsWith(QLatin1String("All video files (")));
    EXPECT_TRUE(filters[15].contains(QLatin1String("*.webm *.WEBM")));
    EXPECT_TRUE(filters[16].startsWith(QLatin1String("All audio files (")));
    EXPECT_TRUE(filters[16].contains(QLatin1String("*.flac *.FLAC")));
    EXPECT_FALSE(filters[16].contains(QLatin1String("*.mkv")));
    EXPECT_EQ(filters[17], QStringLiteral("All files (*)"));

    auto farm = makeFarm(false);
    PlayerWindow window(farm.get());
    window.show();
    std::unique_ptr<QInputDialog> dialog(window.createAddressDialog());
    dialog->show();
    const int screenWidth = window.screen()->availableGeometry().width();
    EXPECT_GE(dialog->width(), std::min(600, screenWidth - 60));
    EXPECT_LE(dialog->width(), screenWidth);
}

MSE::Plugin* createPlugin(MSE::Farm& farm, const char* name)
{
    for (MSE::PluginInfo* info : farm.pluginInfos) {
        MSE::Plugin* plugin = nullptr;
        if (info->name == name && farm.createPlugin(info, &plugin) == 0)
            return plugin;
    }
    return nullptr;
}

const char kVp9[] = "com.movra.streamengine.plugin.VP9Decoder";

TEST(AboutBoxes, TheyNameTheVersionsAndEachPluginWithWhatBecameOfIt)
{
    // Beside the shipped decoders, a library that is not one: the farm refuses it.
    QTemporaryDir broken;
    QFile(broken.filePath(QStringLiteral("NotElf.so"))).open(QIODevice::WriteOnly);
    QFile document(broken.filePath(QStringLiteral("NotElf.xml")));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("<?xml version=\"1.0\"?><properties version=\"1.0\"><type>plugin</type>"
                   "<plugin><name>test.notelf</name></plugin></properties>");
    document.close();
    auto farm = makeFarm(false, {appDir() + QStringLiteral("/MSEPlugins"), broken.path()});
    MSE::Plugin* vp9 = createPlugin(*farm, kVp9);
    ASSERT_TRUE(vp9);
    ASSERT_FALSE(createPlugin(*farm, "test.notelf"));

    const QString about = aboutText(farm.get());
    EXPECT_TRUE(about.contains(QStringLiteral("Movra Player " MOVRA_TEST_VERSION))) << qPrintable(about);
    EXPECT_TRUE(about.contains(QStringLiteral("Qt %1 (built with Qt %2)").arg(QString::fromLatin1(qVersion()),
                                                                              QStringLiteral(QT_VERSION_STR))))
        << qPrintable(about);
    EXPECT_TRUE(about.contains(QStringLiteral("<li>%1 %2</li>").arg(QLatin1String(kVp9), QStringLiteral(MOVRA_TEST_VERSION))))
        << qPrintable(about);
    EXPECT_FALSE(about.contains(QLatin1String("VP8Decoder"))) << "not loaded: not listed";

    PluginsDialog dialog(farm.get());
    QTableWidget* table = dialog.table();
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    std::map<QString, QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->item(r, c)->text();
        rows[cells[0]] = cells;
    }
    ASSERT_TRUE(rows.count(QStringLiteral("test.notelf"))) << "the failed plug-in is listed";
    const QStringList failed = rows[QStringLiteral("test.notelf")];
    EXPECT_EQ(failed[2], QStringLiteral("Failed"));
    EXPECT_TRUE(failed[3].contains(QLatin1String("file too short"))) << qPrintable(failed[3]);
    EXPECT_EQ(failed[4], broken.filePath(QStringLiteral("NotElf.so")));
    EXPECT_EQ(rows[QLatin1String(kVp9)].mid(1, 2), QStringList({QStringLiteral(MOVRA_TEST_VERSION), QStringLiteral("Loaded")}));
    EXPECT_EQ(rows[QStringLiteral("com.movra.streamengine.plugin.VP8Decoder")].value(2), QStringLiteral("Not loaded"));

    // Sorted by name at first; a click on a header sorts by that column.
    for (int r = 1; r < table->rowCount(); ++r)
        EXPECT_LE(table->item(r - 1, 0)->text(), table->item(r, 0)->text());
    table->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("Failed"));

    // Ctrl+C copies the selected rows whole, with a header line.
    dialog.show();
    table->setFocus();
    table->selectRow(0);
    QTest::keySequence(table, QKeySequence::Copy);
    const QString copied = QApplication::clipboard()->text();
    const QStringList lines = copied.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << qPrintable(copied);
    EXPECT_EQ(lines[0], QStringLiteral("Plug-in\tVersion\tState\tDetails\tLibrary"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("test.notelf\t\tFailed\t"))) << qPrintable(lines[1]);

    vp9->release();
}

} // namespace
