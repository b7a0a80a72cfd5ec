// The real movra-player in a private freedesktop tree (XDG folders, registry): the user's
// default programs as xdg-mime and gio read them, the user's mimeapps.list, and the
// maintenance commands.

#include "registryexport.h"
#include "shell/appfolder.h"
#include "shell/pluginlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <glib.h>

#include <sys/stat.h>

using ShellTest::AppFolder;
using ShellTest::RunResult;

namespace {

constexpr char kOurs[] = "movra-player.desktop";

// XDG folders of one test. The system data folder holds the system's MIME database (a
// link) and only the applications a test installs, so what the machine has installed
// cannot change the answers.
class DesktopTree
{
public:
    DesktopTree()
    {
        for (const char* folder : {"/data", "/config", "/system/applications", "/etc", "/home"})
            QDir().mkpath(dir.path() + QLatin1String(folder));
        QFile::link(QStringLiteral("/usr/share/mime"), dir.path() + QStringLiteral("/system/mime"));
    }

    QString path(const QString& relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QString list() const { return path(QStringLiteral("config/mimeapps.list")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment;
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_DATA_DIRS", path("system"));
        environment.insert("XDG_CONFIG_DIRS", path("etc"));
        environment.insert("HOME", path("home"));
        environment.insert("XDG_CURRENT_DESKTOP", "");
        return environment;
    }

    void installOtherPlayer(const QString& mimeTypes) const
    {
        writeFile(path("system/applications/other.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %U\nMimeType=" + mimeTypes.toUtf8()
                      + "\n");
    }

    static void writeFile(const QString& file, const QByteArray& contents)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(file);
        out.write(contents);
    }

    // A desktop tool's answer, run in this tree.
    QString ask(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QProcessEnvironment own = this->environment();
        for (const QString& key : own.keys())
            environment.insert(key, own.value(key));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    QString defaultFor(const QString& type) const { return ask("xdg-mime", {"query", "default", type}); }

    QByteArray listContents() const
    {
        QFile in(list());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir;
};

QString describe(const RunResult& result)
{
    return QStringLiteral("exit %1, crashed %2, finished %3\nstderr:\n%4")
        .arg(result.exitCode)
        .arg(result.crashed)
        .arg(result.finished)
        .arg(result.standardError);
}

int warnings(const RunResult& result)
{
    return static_cast<int>(result.standardError.count(QStringLiteral("file-type associations:")));
}

QProcessEnvironment with(QProcessEnvironment environment, const QString& name, const QString& value)
{
    environment.insert(name, value);
    return environment;
}

const QByteArray kUsersList = "# kept by hand\n"
                              "[Default Applications]\n"
                              "video/mp4=other.desktop\n"
                              "video/x-msvideo=other.desktop\n"
                              "\n"
                              "[Added Associations]\n"
                              "video/x-matroska=other.desktop;\n"
                              "\n"
                              "[Some Tool]\n"
                              "key=value\n";

TEST(Desktop, AssociatingMakesThePlayerTheDefaultForItsChosenTypesOnly)
{
    DesktopTree tree;
    tree.installOtherPlayer("video/mp4;video/x-matroska;video/x-msvideo;");
    DesktopTree::writeFile(tree.list(), kUsersList);
    AppFolder folder({});

    const RunResult result = folder.run({"-associateFileTypes"}, tree.environment());
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(warnings(result), 0) << qPrintable(describe(result));

    EXPECT_EQ(tree.defaultFor("video/x-matroska"), kOurs);
    EXPECT_TRUE(tree.ask("gio", {"mime", "video/x-matroska"}).startsWith(QStringLiteral("Default application for"))
                && tree.ask("gio", {"mime", "video/x-matroska"}).section('\n', 0, 0).contains(kOurs));
    EXPECT_EQ(tree.defaultFor("video/x-msvideo"), kOurs) << "chosen by default";
    EXPECT_EQ(tree.defaultFor("video/mp4"), "other.desktop") << "not chosen, and another program's";
    EXPECT_EQ(tree.defaultFor("video/movra"), kOurs) << "nobody's, so claimed";
    DesktopTree::writeFile(tree.path("x.mvr"), "");
    EXPECT_EQ(tree.ask("xdg-mime", {"query", "filetype", tree.path("x.mvr")}), "video/movra");

    const QByteArray after = tree.listContents();
    for (const char* kept : {"video/mp4=other.desktop\n", "[Some Tool]\nkey=value\n", "# kept by hand\n"})
        EXPECT_TRUE(after.contains(kept)) << kept << "\n" << after.constData();
    EXPECT_TRUE(after.contains("video/x-matroska=other.desktop;")) << after.constData();
    EXPECT_TRUE(IntegrationTest::exportKey(folder.registryDir(), "HKCR").hasKey("movra_mkv_file"));

    const RunResult undo = folder.run({"-disassociateFileTypes"}, tree.environment());
    ASSERT_TRUE(undo.finished && !undo.crashed) << qPrintable(describe(undo));
    EXPECT_EQ(undo.exitCode, 0);
    EXPECT_EQ(warnings(undo), 0) << qPrintable(describe(undo));
    // GIO's answer: xdg-mime falls back to any program whose entry declares the type when
    // no default is set, and the player's entry still does.
    EXPECT_EQ(tree.ask("gio", {"mime", "video/x-matroska"}).section('\n', 0, 0),
              QStringLiteral("Default application for “video/x-matroska”: other.desktop"));
    EXPECT_EQ(tree.defaultFor("video/mp4"), "other.desktop");
    const QByteArray undone = tree.listContents();
    EXPECT_FALSE(undone.contains(QByteArray("=") + kOurs)) << undone.constData();
    for (const char* kept : {"video/mp4=other.desktop\n", "[Some Tool]\nkey=value\n", "video/x-matroska=other.desktop;"})
        EXPECT_TRUE(undone.contains(kept)) << kept << "\n" << undone.constData();
    EXPECT_FALSE(IntegrationTest::exportKey(folder.registryDir(), "HKCR").hasKey("movra_mkv_file"));
}

// Disassociating takes back what the player made default, not what the choices say now:
// a choice turned off after it was applied, and the types claimed without a choice.
TEST(Desktop, DisassociatingTakesBackEveryDefaultThePlayerWroteAndNoOtherProgramsDefault)
{
    DesktopTree tree;
    tree.installOtherPlayer("video/mp4;video/x-matroska;");
    DesktopTree::writeFile(tree.list(), "[Default Applications]\nvideo/mp4=other.desktop\n");
    AppFolder folder({});

    const RunResult result = folder.run({"-associateFileTypes"}, tree.environment());
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    ASSERT_EQ(tree.defaultFor("video/x-matroska"), kOurs);
    ASSERT_EQ(tree.defaultFor("video/x-tix"), kOurs);
    QString output;
    ASSERT_EQ(IntegrationTest::runMovraReg(folder.registryDir(),
                                           {"add", "HKCU\\SOFTWARE\\Movra\\Settings\\Player\\General", "/v",
                                            "MKVFileAssoc", "/t", "REG_DWORD", "/d", "0", "/f"},
                                           &output),
              0)
        << qPrintable(output);

    const RunResult undo = folder.run({"-disassociateFileTypes"}, tree.environment());
    ASSERT_TRUE(undo.finished && !undo.crashed) << qPrintable(describe(undo));
    EXPECT_EQ(warnings(undo), 0) << qPrintable(describe(undo));
    const QByteArray undone = tree.listContents();
    EXPECT_FALSE(undone.contains(QByteArray("=") + kOurs)) << undone.constData();
    EXPECT_TRUE(undone.contains("video/mp4=other.desktop\n")) << undone.constData();
    EXPECT_EQ(tree.defaultFor("video/mp4"), "other.desktop");
}

TEST(Desktop, AnOrdinaryUserWithAReadOnlyMachineRootStillGetsTheDefaults)
{
    DesktopTree tree;
    AppFolder folder({});
    const RunResult result =
        folder.run({"--associateFileTypes"}, with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1"));
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(tree.defaultFor("video/x-matroska"), kOurs);
    EXPECT_FALSE(IntegrationTest::exportKey(folder.registryDir(), "HKCR").hasKey("movra_mkv_file"));
}

TEST(Desktop, ThePlayersOwnEntryFollowsTheProgramWhenItMoves)
{
    DesktopTree tree;
    const QString entry = tree.path("data/applications/movra-player.desktop");
    const QProcessEnvironment environment = with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1");
    for (int move = 0; move < 2; ++move) {
        AppFolder folder({});
        const RunResult result = folder.run({"-associateFileTypes"}, environment);
        ASSERT_EQ(result.exitCode, 0) << qPrintable(describe(result));
        QFile in(entry);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_TRUE(in.readAll().contains("\nExec=" + folder.launcher().toUtf8() + " %U\n")) << move;
        EXPECT_EQ(tree.defaultFor("video/x-matroska"), kOurs);
    }
}

// The entry names its icon by path: a themed icon would need an icons/hicolor folder in the
// user's data, which has no icon cache and makes every Qt program look in each of its size
// folders for every icon it draws. An older version's themed icon is taken away with the
// folders it alone needed; what else is there stays.
TEST(Desktop, TheEntrysIconIsNamedByPathAndAnOlderThemedCopyGoes)
{
    for (const bool besideOthers : {false, true}) {
        DesktopTree tree;
        const QString apps = tree.path("data/icons/hicolor/scalable/apps");
        ASSERT_TRUE(QDir().mkpath(apps) && QDir().mkpath(tree.path("data/applications")));
        const QString source = QString::fromUtf8(MOVRA_SOURCE_DIR "/integration/movra-player.svg");
        ASSERT_TRUE(QFile::copy(source, apps + "/movra-player.svg"));
        if (besideOthers)
            DesktopTree::writeFile(apps + "/someone-else.svg", "<svg/>");
        // An entry as an older version wrote it, naming the themed icon.
        DesktopTree::writeFile(tree.path("data/applications/movra-player.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Movra Player\nExec=/old/movra-player %U\nIcon=movra-player\n");

        AppFolder folder({});
        const RunResult result =
            folder.run({"-associateFileTypes"}, with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1"));
        ASSERT_EQ(result.exitCode, 0) << qPrintable(describe(result));

        GKeyFile* entry = g_key_file_new();
        ASSERT_TRUE(g_key_file_load_from_file(entry, QFile::encodeName(tree.path("data/applications/movra-player.desktop")),
                                              G_KEY_FILE_NONE, nullptr));
        gchar* icon = g_key_file_get_string(entry, "Desktop Entry", "Icon", nullptr);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(QString::fromUtf8(icon), tree.path("data/movra-player/movra-player.svg"));
        QFile written(QString::fromUtf8(icon));
        QFile original(source);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly)) << icon;
        EXPECT_EQ(written.readAll(), original.readAll());
        g_free(icon);
        g_key_file_free(entry);

        EXPECT_FALSE(QFileInfo::exists(apps + "/movra-player.svg")) << besideOthers;
        EXPECT_EQ(QFileInfo::exists(apps + "/someone-else.svg"), besideOthers);
        EXPECT_EQ(QFileInfo::exists(tree.path("data/icons")), besideOthers);
    }
}

TEST(Desktop, TheEntryStartsAProgramWhosePathNeedsQuoting)
{
    DesktopTree tree;
    // The launcher finds its libraries beside its own file, so they are linked there.
    const QString app = qEnvironmentVariable("MOVRA_APP_DIR");
    const QString folder = tree.path("home/it's 100% \"odd\" $HOME `x` \\ here");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(app + "/movra-player", folder + "/movra-player"));
    QFile(folder + "/movra-player").setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    for (const QFileInfo& library : QDir(app).entryInfoList({"*.so"}, QDir::Files))
        QFile::link(library.absoluteFilePath(), folder + "/" + library.fileName());

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QProcessEnvironment own = with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1");
    for (const QString& key : own.keys())
        environment.insert(key, own.value(key));
    environment.insert("MOVRA_REGISTRY_DIR", tree.path("registry"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(folder + "/movra-player", {"-associateFileTypes"});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();

    GKeyFile* entry = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_file(entry, QFile::encodeName(tree.path("data/applications/movra-player.desktop")),
                                          G_KEY_FILE_NONE, nullptr));
    gchar* exec = g_key_file_get_string(entry, "Desktop Entry", "Exec", nullptr);
    ASSERT_NE(exec, nullptr);
    gchar** argv = nullptr;
    ASSERT_TRUE(g_shell_parse_argv(exec, nullptr, &argv, nullptr)) << exec;
    EXPECT_EQ(QString::fromUtf8(argv[0]), QString(folder + "/movra-player").replace("%", "%%")) << exec;
    EXPECT_STREQ(argv[1], "%U");
    g_strfreev(argv);
    g_free(exec);
    g_key_file_free(entry);
}

// What a user's list looks like, and whether the player may rewrite it through GIO.
struct ListCase
{
    const char* name;
    std::function<void(const DesktopTree&)> prepare;
    bool rewritten;
};

void PrintTo(const ListCase& listCase, std::ostream* out)
{
    *out << listCase.name;
}

// Everything of the list as it is on disk: kind, link target, mode, bytes.
QString stateOf(const QString& path)
{
    const QFileInfo info(path);
    QString state = info.isSymLink() ? "link to " + info.symLinkTarget() : info.isDir() ? "folder" : "file";
    struct stat status;
    if (lstat(QFile::encodeName(path).constData(), &status) == 0)
        state += QString::asprintf(" mode %o", status.st_mode & 07777);
    QFile in(path);
    if (!info.isDir() && in.open(QIODevice::ReadOnly))
        state += " " + QString::fromLatin1(in.readAll().toHex());
    return state;
}

class UsersList : public ::testing::TestWithParam<ListCase>
{
};

TEST_P(UsersList, ThePlayerStartsAndNeverDamagesIt)
{
    DesktopTree tree;
    tree.installOtherPlayer("video/mp4;");
    GetParam().prepare(tree);
    const QString before = stateOf(tree.list());
    const QString target = QFileInfo(tree.list()).isSymLink() ? stateOf(QFileInfo(tree.list()).symLinkTarget()) : "";
    AppFolder folder({"TestView"});

    // A first start, as a user meets it; the machine root is left out to keep it quick.
    const RunResult result = folder.run({}, with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1"));
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.pluginLog.contains("test.view show")) << qPrintable(describe(result));

    if (GetParam().rewritten) {
        EXPECT_EQ(warnings(result), 0) << qPrintable(describe(result));
        EXPECT_EQ(tree.defaultFor("video/x-matroska"), kOurs);
        if (tree.listContents().contains("video/mp4=other.desktop")) {
            EXPECT_EQ(tree.defaultFor("video/mp4"), "other.desktop");
        }
    } else {
        EXPECT_EQ(warnings(result), 1) << qPrintable(describe(result));
        EXPECT_EQ(stateOf(tree.list()), before);
        if (!target.isEmpty()) {
            EXPECT_EQ(stateOf(QFileInfo(tree.list()).symLinkTarget()), target);
        }
    }
}

void writeList(const DesktopTree& tree, const QByteArray& contents)
{
    DesktopTree::writeFile(tree.list(), contents);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, UsersList,
    ::testing::Values(
        ListCase{"Missing", [](const DesktopTree&) {}, true},
        ListCase{"Empty", [](const DesktopTree& t) { writeList(t, ""); }, true},
        ListCase{"NoFinalNewline", [](const DesktopTree& t) { writeList(t, "[Default Applications]\nvideo/mp4=other.desktop"); },
                 true},
        ListCase{"NotUtf8",
                 [](const DesktopTree& t) { writeList(t, "[Default Applications]\nvideo/\xff=other.desktop\n"); }, false},
        ListCase{"DuplicateGroups",
                 [](const DesktopTree& t) {
                     writeList(t, "[Default Applications]\nvideo/mp4=other.desktop\n[X]\na=1\n"
                                  "[Default Applications]\nvideo/mpeg=other.desktop\n");
                 },
                 false},
        ListCase{"OnlyOtherGroups", [](const DesktopTree& t) { writeList(t, "[Some Tool]\nkey=value\n"); }, false},
        ListCase{"Symlink",
                 [](const DesktopTree& t) {
                     DesktopTree::writeFile(t.path("home/dotfiles-mimeapps.list"),
                                            "[Default Applications]\nvideo/mp4=other.desktop\n");
                     QFile::link(t.path("home/dotfiles-mimeapps.list"), t.list());
                 },
                 false},
        ListCase{"ReadOnly",
                 [](const DesktopTree& t) {
                     writeList(t, "[Default Applications]\nvideo/mp4=other.desktop\n");
                     QFile(t.list()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
                 },
                 false},
        ListCase{"Folder", [](const DesktopTree& t) { QDir().mkpath(t.list()); }, false}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(Desktop, BrokenSurroundingsCostOneWarningAndNotTheStart)
{
    struct Case
    {
        const char* name;
        QStringList variables; // name=value
        const char* mentioned;
    };
    const Case cases[] = {
        {"NowhereFolders", {"XDG_DATA_HOME=/dev/null/data", "XDG_CONFIG_HOME=/dev/null/config"}, "/dev/null/"},
        {"NoMimeTool", {"PATH=/nonexistent"}, "update-mime-database"},
        {"NoMimeDatabase", {"PATH=/nonexistent", "XDG_DATA_DIRS=/nonexistent"}, "no MIME database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesktopTree tree;
        QProcessEnvironment environment = with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1");
        for (const QString& variable : c.variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        AppFolder folder({"TestView"});
        const RunResult result = folder.run({}, environment);
        ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(result.pluginLog.contains("test.view show")) << qPrintable(describe(result));
        EXPECT_EQ(warnings(result), 1) << qPrintable(describe(result));
        EXPECT_TRUE(result.standardError.contains(QLatin1String(c.mentioned))) << qPrintable(describe(result));
    }
}

TEST(Desktop, MaintenanceCommandsDoTheirJobAndNothingElse)
{
    struct Case
    {
        const char* option;
        const char* expectedLine; // in the view plug-in's log; null: none
    };
    const Case cases[] = {{"-clearDownloadCache", "test.view clearDownloadCache"},
                          {"/clearDownloadCache", "test.view clearDownloadCache"},
                          {"-initializeCaches", nullptr},
                          {"--disassociateFileTypes", nullptr}};
    DesktopTree tree;
    AppFolder folder({"TestView"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const RunResult result =
            folder.run({c.option}, with(tree.environment(), "MOVRA_REGISTRY_MACHINE_READONLY", "1"));
        ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_FALSE(result.pluginLog.contains("test.view show")) << qPrintable(describe(result));
        if (c.expectedLine) {
            EXPECT_TRUE(result.pluginLog.contains(c.expectedLine)) << qPrintable(result.pluginLog.join('\n'));
        }
    }
}

} // namespace
