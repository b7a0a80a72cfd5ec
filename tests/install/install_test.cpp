// The layout `cmake --install` makes under a prefix (the same one the Debian package is
// built from), checked from the outside: the commands run from bin/, and the desktop's own
// tools read the desktop entry, the AppStream file, the MIME package and the manual pages.

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>
#include <QProcess>
#include <QRawFont>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QXmlStreamReader>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const QString kPrefix = QStringLiteral(MOVRA_TEST_PREFIX);
const QString kAppDir = kPrefix + QStringLiteral("/lib/movra-player");

struct Result
{
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

QString describe(const Result& run)
{
    return QStringLiteral("exit %1 (finished %2)\nstdout:\n%3\nstderr:\n%4")
        .arg(run.exitCode)
        .arg(run.finished)
        .arg(run.out.left(4000), run.err.left(4000));
}

Result runProgram(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(), int timeoutMs = 30000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Result run;
    if (!process.waitForStarted(timeoutMs)) {
        run.err = process.errorString();
        return run;
    }
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished)
        process.kill(), process.waitForFinished();
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QString tool(const char* name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

// A player run of its own: private registry, configuration and data folders, no display.
class PrivateRun
{
public:
    PrivateRun()
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("HOME"), m_dir.path());
        m_env.insert(QStringLiteral("MOVRA_REGISTRY_DIR"), m_dir.path() + QStringLiteral("/registry"));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path() + QStringLiteral("/data"));
        m_env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.path() + QStringLiteral("/cache"));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_env.remove(QStringLiteral("MSE_LOG"));
    }
    QProcessEnvironment& environment() { return m_env; }
    Result player(const QStringList& arguments, int quitAfterMs)
    {
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QString::number(quitAfterMs));
        return runProgram(kPrefix + QStringLiteral("/bin/movra-player"), arguments, env, 60000);
    }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
};

// ---------------------------------------------------------------------------------------

TEST(Layout, EveryPieceIsUnderThePrefix)
{
    struct Row
    {
        const char* path;
        const char* why;
    };
    const Row rows[] = {
        {"lib/movra-player/movra-player", "the launcher in the application folder"},
        {"lib/movra-player/MovraPlayer.so", "the player library"},
        {"lib/movra-player/MPXPlugins/MPXPlayerPlugin.xml", "the main window plug-in"},
        {"lib/movra-player/i18n/lang-ja.qm", "the Japanese translation"},
        {"share/applications/movra-player.desktop", "the desktop entry"},
        {"share/mime/packages/movra-player.xml", "the MIME package"},
        {"share/metainfo/com.movra.Player.metainfo.xml", "the AppStream file"},
        {"share/icons/hicolor/scalable/apps/movra-player.svg", "the scalable icon"},
        {"share/doc/movra-player/copyright", "the copyright file"},
        {"share/doc/movra-player/changelog.gz", "the changelog"},
        {"share/doc/movra-player/README.md", "the read-me"},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(QFileInfo(kPrefix + QLatin1Char('/') + QLatin1String(row.path)).isFile())
            << row.why << ": " << row.path << " is missing";

    // Each PNG is as large as the folder it is in says: the icon theme trusts the folder.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path =
            kPrefix + QStringLiteral("/share/icons/hicolor/%1x%1/apps/movra-player.png").arg(size);
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << qPrintable(path);
        EXPECT_EQ(image.size(), QSize(size, size)) << qPrintable(path);
        EXPECT_TRUE(image.hasAlphaChannel()) << qPrintable(path);
    }
}

// The codec components the Debian package pre-installs, each laid out as an install leaves
// it: the install's manifest naming the component and its version, the plug-in with its
// properties document, and the decoders finding the codec pack as their sibling folder.
TEST(Layout, PreinstalledComponentsAreLaidOutAsAnInstallLeavesThem)
{
    const QString root = kAppDir + QStringLiteral("/components");
    for (const char* name : {"MPC", "AVCCodec", "HEVCCodec", "MPEG4Decoder"}) {
        const QString folder = root + QLatin1Char('/') + QLatin1String(name);
        QFile manifestFile(folder + QStringLiteral("/.movra-component"));
        ASSERT_TRUE(manifestFile.open(QIODevice::ReadOnly)) << name;
        const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
        EXPECT_EQ(manifest.value(QStringLiteral("name")).toString(), QLatin1String(name));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+(\\.\\d+){0,3}$"))
                        .match(manifest.value(QStringLiteral("version")).toString())
                        .hasMatch())
            << name << ": " << manifest.value(QStringLiteral("version")).toString().toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$"))
                        .match(manifest.value(QStringLiteral("sha256")).toString())
                        .hasMatch())
            << name;
        const QString library = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".so");
        EXPECT_TRUE(QFileInfo(library).isFile()) << qPrintable(library);
        if (QLatin1String(name) == QLatin1String("MPC"))
            continue;
        EXPECT_TRUE(QFileInfo(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".xml")).isFile()) << name;
        QLibrary decoder(library);
        EXPECT_TRUE(decoder.load()) << qPrintable(decoder.errorString());
        decoder.unload();
    }
}

TEST(Layout, EveryCommandIsARelativeLinkIntoTheApplicationFolderWithAManualPage)
{
    const QDir bin(kPrefix + QStringLiteral("/bin"));
    const QStringList commands = bin.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    EXPECT_TRUE(commands.contains(QStringLiteral("movra-player")));
    EXPECT_TRUE(commands.contains(QStringLiteral("movra-reg")));
    for (const QString& name : commands) {
        const QFileInfo entry(bin.filePath(name));
        ASSERT_TRUE(entry.isSymLink()) << qPrintable(name) << " is not a link";
        // A relative link keeps working when the tree is moved or staged for a package.
        const QString target = QFile::symLinkTarget(entry.filePath());
        EXPECT_TRUE(std::filesystem::read_symlink(QFile::encodeName(entry.filePath()).toStdString()).is_relative()) << qPrintable(name);
        EXPECT_EQ(QFileInfo(target).canonicalFilePath(), QFileInfo(kAppDir + QLatin1Char('/') + name).canonicalFilePath())
            << qPrintable(name);
        EXPECT_TRUE(QFileInfo(target).isExecutable()) << qPrintable(name);
        EXPECT_TRUE(QFileInfo::exists(kPrefix + QStringLiteral("/share/man/man1/") + name + QStringLiteral(".1.gz")))
            << qPrintable(name) << " has no manual page: add packaging/man/" << qPrintable(name) << ".1";
    }
}

// ---------------------------------------------------------------------------------------

struct LauncherRow
{
    const char* name;
    const char* argument;
    std::vector<const char*> expected; // text the answer must hold
};

void PrintTo(const LauncherRow& row, std::ostream* out)
{
    *out << row.argument;
}

class LauncherAnswers : public testing::TestWithParam<LauncherRow>
{};

TEST_P(LauncherAnswers, AloneWithoutLoadingThePlayer)
{
    const LauncherRow& row = GetParam();
    PrivateRun sandbox;
    QProcessEnvironment env = sandbox.environment();
    // The loader names every library it maps on standard error.
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    // No display and no usable registry: the answer must not need either.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("MOVRA_REGISTRY_DIR"), QStringLiteral("/proc/nonexistent"));
    const Result run = runProgram(kPrefix + QStringLiteral("/bin/movra-player"), {QLatin1String(row.argument)}, env);
    ASSERT_TRUE(run.finished) << qPrintable(describe(run));
    EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));
    for (const char* text : row.expected)
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(text))) << "missing \"" << text << "\" in\n" << qPrintable(run.out);
    EXPECT_FALSE(run.err.contains(QStringLiteral("MovraPlayer.so"))) << "the player library was loaded";
    EXPECT_FALSE(run.err.contains(QStringLiteral("MSEFramework.so"))) << "the plug-in framework was loaded";
}

const std::string kVersionLine = "Movra Player " MOVRA_TEST_VERSION "\n";
const std::string kQtLine = std::string("Qt ") + QT_VERSION_STR + " (built with Qt ";

INSTANTIATE_TEST_SUITE_P(
    Launcher, LauncherAnswers,
    testing::Values(
        LauncherRow{"Version", "--version", {kVersionLine.c_str(), kQtLine.c_str()}},
        LauncherRow{"LongHelp", "--help",
                    {"Usage: movra-player [FILE | ADDRESS]...", "-associateFileTypes", "/unregserver",
                     "--clearDownloadCache", "MOVRA_REGISTRY_DIR", "MSE_LOG", "user.db", "machine.db",
                     "CrashDumpMode"}},
        LauncherRow{"ShortHelp", "-h", {"Usage: movra-player"}}),
    [](const testing::TestParamInfo<LauncherRow>& info) { return std::string(info.param.name); });

TEST(Launcher, AnswersOnlyWhenTheRequestStandsAlone)
{
    // With anything beside it, "--version" is the player's business (an unknown option it
    // ignores): the player starts, and says nothing of versions.
    PrivateRun sandbox;
    sandbox.environment().insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    const Result run = sandbox.player({QStringLiteral("--version"), QStringLiteral("--help")}, 300);
    ASSERT_TRUE(run.finished) << qPrintable(describe(run));
    EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));
    EXPECT_FALSE(run.out.contains(QStringLiteral("Movra Player " MOVRA_TEST_VERSION)));
    EXPECT_FALSE(run.out.contains(QStringLiteral("Usage:")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("MovraPlayer.so")));
}

TEST(Launcher, AFailedWriteOfTheAnswerIsAFailure)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    const Result run = runProgram(QStringLiteral("/bin/sh"),
                               {QStringLiteral("-c"), QStringLiteral("\"$0\" --version > /dev/full"),
                                kPrefix + QStringLiteral("/bin/movra-player")});
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, 0);
}

// ---------------------------------------------------------------------------------------

QStringList japaneseTranslations()
{
    QFile file(QStringLiteral(MOVRA_TEST_JA_TS));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList texts;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("translation"))
            texts << xml.readElementText();
    }
    return texts;
}

// Characters of text that the font (with Qt's fallbacks, as the menus draw them) can only
// draw as the empty box.
QString charactersWithoutGlyphs(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QString missing;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        if (glyphs.contains(0) || !raw.isValid())
            missing += QStringLiteral("[%1 in %2]").arg(text, raw.familyName());
    }
    for (const QChar c : text) {
        if (c.script() != QChar::Script_Han && c.script() != QChar::Script_Hiragana && c.script() != QChar::Script_Katakana)
            continue;
        bool found = false;
        for (const QGlyphRun& run : layout.glyphRuns())
            found = found || run.rawFont().supportsCharacter(c);
        if (!found)
            missing += c;
    }
    return missing;
}

TEST(Player, JapaneseMainWindowFromThePrefixDrawsRealGlyphs)
{
    PrivateRun sandbox;
    const Result set = runProgram(kPrefix + QStringLiteral("/bin/movra-reg"),
                               {QStringLiteral("add"), QStringLiteral("HKCU\\SOFTWARE\\Movra\\Settings\\Player\\General"),
                                QStringLiteral("/v"), QStringLiteral("Locale"), QStringLiteral("/t"),
                                QStringLiteral("REG_SZ"), QStringLiteral("/d"), QStringLiteral("ja"), QStringLiteral("/f")},
                               sandbox.environment());
    ASSERT_EQ(set.exitCode, 0) << qPrintable(describe(set));

    // The picture stays in the build folder for people to look at.
    const QString picture = QStringLiteral(MOVRA_TEST_ARTEFACT_DIR "/main-window-ja.png");
    QFile::remove(picture);
    sandbox.environment().insert(QStringLiteral("MOVRA_PLAYER_SNAPSHOT"), picture);
    const Result run = sandbox.player({}, 1500);
    ASSERT_TRUE(run.finished) << qPrintable(describe(run));
    EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));
    const QImage image(picture);
    ASSERT_FALSE(image.isNull()) << "no picture at " << qPrintable(picture) << "\n" << qPrintable(describe(run));

    const QStringList texts = japaneseTranslations();
    ASSERT_FALSE(texts.isEmpty());
    const QFont menuFont = QApplication::font("QMenuBar");
    int japanese = 0;
    for (const QString& text : texts) {
        if (!text.contains(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"))))
            continue;
        ++japanese;
        const QString missing = charactersWithoutGlyphs(text, menuFont);
        EXPECT_TRUE(missing.isEmpty()) << "drawn as boxes: " << qPrintable(missing);
    }
    EXPECT_GT(japanese, 5);
    EXPECT_TRUE(QFontDatabase::families(QFontDatabase::Japanese).size() > 0)
        << "no font for Japanese: install a CJK font (scripts/install-deps.sh)";
}

// ---------------------------------------------------------------------------------------

QString desktopValue(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1));
    }
    return QString();
}

QStringList mimeTypesOfPackage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList types;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("mime-type"))
            types << xml.attributes().value(QLatin1String("type")).toString();
    }
    return types;
}

TEST(Desktop, EntryIsValidAndStartsTheInstalledLauncher)
{
    const QString validator = tool("desktop-file-validate");
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    const QString entry = kPrefix + QStringLiteral("/share/applications/movra-player.desktop");
    const Result run = runProgram(validator, {entry});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));
    EXPECT_TRUE((run.out + run.err).isEmpty()) << "warnings are problems too:\n" << qPrintable(run.out + run.err);

    const QStringList exec = desktopValue(entry, QStringLiteral("Exec")).split(QLatin1Char(' '));
    ASSERT_EQ(exec.size(), 2);
    EXPECT_EQ(exec[0], kPrefix + QStringLiteral("/bin/movra-player"));
    EXPECT_EQ(exec[1], QStringLiteral("%U"));
    EXPECT_EQ(desktopValue(entry, QStringLiteral("Icon")), QStringLiteral("movra-player"));

    // The types the player defines are the types it claims to open.
    const QStringList claimed = desktopValue(entry, QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QStringList defined = mimeTypesOfPackage(kPrefix + QStringLiteral("/share/mime/packages/movra-player.xml"));
    ASSERT_FALSE(defined.isEmpty());
    for (const QString& type : defined)
        EXPECT_TRUE(claimed.contains(type)) << qPrintable(type);
}

TEST(Desktop, AppStreamFileIsValidAndNamesWhatIsInstalled)
{
    const QString validator = tool("appstreamcli");
    if (validator.isEmpty())
        GTEST_SKIP() << "appstreamcli (appstream) is not installed";
    const QString metainfo = kPrefix + QStringLiteral("/share/metainfo/com.movra.Player.metainfo.xml");
    const Result run = runProgram(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                           QStringLiteral("--no-color"), metainfo});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));

    QFile file(metainfo);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList launchables, binaries, mediatypes;
    QString release;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("release"))
            release = xml.attributes().value(QLatin1String("version")).toString();
        else if (xml.name() == QLatin1String("launchable"))
            launchables << xml.readElementText();
        else if (xml.name() == QLatin1String("binary"))
            binaries << xml.readElementText();
        else if (xml.name() == QLatin1String("mediatype"))
            mediatypes << xml.readElementText();
    }
    EXPECT_EQ(release, QStringLiteral(MOVRA_TEST_VERSION));
    for (const QString& id : launchables)
        EXPECT_TRUE(QFileInfo::exists(kPrefix + QStringLiteral("/share/applications/") + id)) << qPrintable(id);
    for (const QString& binary : binaries)
        EXPECT_TRUE(QFileInfo::exists(kPrefix + QStringLiteral("/bin/") + binary)) << qPrintable(binary);
    const QStringList claimed = desktopValue(kPrefix + QStringLiteral("/share/applications/movra-player.desktop"),
                                             QStringLiteral("MimeType"))
                                    .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& type : mediatypes)
        EXPECT_TRUE(claimed.contains(type)) << qPrintable(type) << " is not in the desktop entry";
}

TEST(Desktop, ManualPagesRenderWithoutWarnings)
{
    const QString man = tool("man");
    if (man.isEmpty())
        GTEST_SKIP() << "man (man-db) is not installed";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const QDir pages(kPrefix + QStringLiteral("/share/man/man1"));
    const QStringList names = pages.entryList({QStringLiteral("*.1.gz")}, QDir::Files);
    ASSERT_GE(names.size(), 2);
    for (const QString& name : names) {
        const QString program = name.left(name.size() - 5);
        const Result warnings = runProgram(man, {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                                              QStringLiteral("-l"), QStringLiteral("-Tutf8"), QStringLiteral("-Z"),
                                              pages.filePath(name)},
                                        env);
        EXPECT_EQ(warnings.exitCode, 0) << qPrintable(describe(warnings));
        EXPECT_TRUE(warnings.err.isEmpty()) << qPrintable(name) << ":\n" << qPrintable(warnings.err);
        const Result page = runProgram(man, {QStringLiteral("-l"), pages.filePath(name)}, env);
        EXPECT_EQ(page.exitCode, 0) << qPrintable(describe(page));
        EXPECT_TRUE(page.out.contains(program + QStringLiteral(" - "))) << qPrintable(name) << "\n" << qPrintable(page.out.left(300));
        EXPECT_TRUE(page.out.contains(QStringLiteral(MOVRA_TEST_VERSION))) << qPrintable(name);
    }
}

TEST(Desktop, MimePackageIsReadByTheMimeDatabase)
{
    const QString package = kPrefix + QStringLiteral("/share/mime/packages/movra-player.xml");
    const QString xmllint = tool("xmllint");
    if (!xmllint.isEmpty()) {
        QStringList arguments{QStringLiteral("--noout")};
        // Debian ships no schema for the format; use one when the machine has it.
        for (const char* schema : {"/usr/share/shared-mime-info/shared-mime-info.rng",
                                   "/usr/share/xml/shared-mime-info/shared-mime-info.rng"}) {
            if (QFileInfo::exists(QLatin1String(schema)))
                arguments << QStringLiteral("--relaxng") << QLatin1String(schema);
        }
        const Result run = runProgram(xmllint, arguments << package);
        EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));
    }

    const QString update = tool("update-mime-database");
    if (update.isEmpty())
        GTEST_SKIP() << "update-mime-database (shared-mime-info) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/mime/packages")));
    ASSERT_TRUE(QFile::copy(package, dir.path() + QStringLiteral("/mime/packages/movra-player.xml")));
    const Result run = runProgram(update, {QStringLiteral("-V"), dir.path() + QStringLiteral("/mime")});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(describe(run));
    EXPECT_FALSE(run.err.contains(QStringLiteral("Warning"), Qt::CaseInsensitive)) << qPrintable(run.err);
    QFile globs(dir.path() + QStringLiteral("/mime/globs2"));
    ASSERT_TRUE(globs.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(globs.readAll());
    for (const char* line : {":video/movra:*.movra", ":video/movra:*.mvr", ":video/x-tix:*.tix", ":video/x-xvid:*.xvid"})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line << "\n" << qPrintable(text);
}

} // namespace
