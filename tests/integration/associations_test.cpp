// The association records against the real registry layer, read back with movra-reg, and
// what the player asks of the desktop's default programs, recorded at that boundary.

#include "registryexport.h"

#include "integration/fileassociations.h"
#include "platform/registry.h"
#include "settings/applicationsettings.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace MovraPlayerX;
using IntegrationTest::exportKey;
using IntegrationTest::RegistryExport;
using IntegrationTest::runMovraReg;

namespace {

class RecordingDesktop : public DefaultProgramService
{
public:
    bool getFileTypeAssociations(const QStringList& extensions, QMap<QString, QString>& programs) override
    {
        asked << extensions;
        for (const QString& extension : extensions)
            programs.insert(extension, owners.value(extension));
        return answer;
    }
    bool setFileTypeAssociations(const QMap<QString, bool>& wanted) override
    {
        requests << wanted;
        return true;
    }

    QMap<QString, QString> owners;
    bool answer = true;
    QList<QStringList> asked;
    QList<QMap<QString, bool>> requests;
};

const QStringList kChoiceExtensions = {".avi", ".movra", ".xvid", ".mkv", ".mov", ".mp4",
                                       ".wmv", ".vob", ".mpg", ".asf", ".qt"};

QMap<QString, bool> allOf(const QStringList& extensions, bool state)
{
    QMap<QString, bool> map;
    for (const QString& extension : extensions)
        map.insert(extension, state);
    return map;
}

class Associations : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings().release();
        qputenv("MOVRA_REGISTRY_DIR", dir.path().toUtf8());
        MovraRegistry::resetRegistryForTesting();
    }
    void TearDown() override
    {
        settings().release();
        MovraRegistry::resetRegistryForTesting();
        qunsetenv("MOVRA_REGISTRY_MACHINE_READONLY");
    }

    static ApplicationSettings& settings() { return ApplicationSettings::application(); }
    RegistryExport classes() const { return exportKey(dir.path(), QStringLiteral("HKCR")); }
    RegistryExport machine() const { return exportKey(dir.path(), QStringLiteral("HKLM\\SOFTWARE")); }
    void reg(const QStringList& arguments) const
    {
        QString output;
        ASSERT_EQ(runMovraReg(dir.path(), arguments, &output), 0) << qPrintable(arguments.join(' ') + ": " + output);
    }
    void setInstallDir(const QString& folder) const
    {
        reg({"add", "HKLM\\SOFTWARE\\Movra\\Install\\Player", "/v", "InstallDir", "/d", folder, "/f"});
    }
    void associate(bool force) { associateFileTypes(force, desktop, settings()); }

    QTemporaryDir dir;
    RecordingDesktop desktop;
};

struct HandlerRow
{
    const char* extension;
    const char* typeName;
    int icon;
    const char* contentType; // of the handler record; null: none
    bool extensionKey;
    const char* extensionContentType;
};

const HandlerRow kHandlers[] = {
    {"avi", "AVI File", 2, nullptr, true, nullptr},
    {"movra", "MOVRA File", 2, "video/movra", true, "video/movra"},
    {"mvr", "MVR File", 2, "video/movra", true, "video/movra"},
    {"tix", "TIX File", 3, nullptr, true, nullptr},
    {"xvid", "XVID File", 2, nullptr, true, "video/movra"},
    {"mkv", "MKV File", 4, "video/movra", true, "video/movra"},
    {"mov", "MOV File", 2, nullptr, false, nullptr},
    {"mp4", "MP4 File", 2, nullptr, false, nullptr},
    {"wmv", "WMV File", 2, nullptr, false, nullptr},
    {"vob", "VOB File", 2, nullptr, false, nullptr},
    {"mpg", "MPG File", 2, nullptr, false, nullptr},
    {"mpeg", "MPEG File", 2, nullptr, false, nullptr},
    {"asf", "ASF File", 2, nullptr, false, nullptr},
    {"qt", "QT File", 2, nullptr, false, nullptr},
};

TEST_F(Associations, FirstStartWritesEveryRecordAndClaimsTheTypesNobodyOpens)
{
    setInstallDir("/opt/Movra Player/");
    desktop.owners = {{".avi", "other.desktop"}, {".mov", "other.desktop"}, {".mp4", "other.desktop"}};
    associate(false);

    const QString program = "/opt/Movra Player/" + QCoreApplication::applicationName();
    const RegistryExport hkcr = classes();
    for (const HandlerRow& row : kHandlers) {
        SCOPED_TRACE(row.extension);
        const QString progId = QStringLiteral("movra_%1_file").arg(row.extension);
        EXPECT_EQ(hkcr.value(progId), row.typeName);
        EXPECT_EQ(hkcr.value(progId, "PerceivedType"), "video");
        EXPECT_EQ(hkcr.value(progId, "Content Type"), row.contentType ? row.contentType : "<missing>");
        EXPECT_EQ(hkcr.value(progId, "BrowserFlags"), row.icon == 3 ? "dword:00000008" : "<missing>");
        EXPECT_EQ(hkcr.value(progId + "\\DefaultIcon"), program + "," + QString::number(row.icon));
        EXPECT_EQ(hkcr.value(progId + "\\shell"), "open");
        EXPECT_EQ(hkcr.value(progId + "\\shell\\open\\command"), "\"" + program + "\" \"%1\"");

        const QString dotted = QStringLiteral(".%1").arg(row.extension);
        ASSERT_EQ(hkcr.hasKey(dotted), row.extensionKey);
        if (row.extensionKey) {
            EXPECT_EQ(hkcr.value(dotted), progId);
            EXPECT_EQ(hkcr.value(dotted, "PerceivedType"), "video");
            EXPECT_EQ(hkcr.value(dotted, "Content Type"),
                      row.extensionContentType ? row.extensionContentType : "<missing>");
            EXPECT_EQ(hkcr.value(dotted, "BrowserFlags"), row.icon == 3 ? "dword:00000008" : "<missing>");
        }
    }

    const RegistryExport software = machine();
    const QString capabilities = "Clients\\Media\\Movra Player\\Capabilities";
    EXPECT_EQ(software.value(capabilities, "ApplicationName"), "Movra Plus Player");
    EXPECT_EQ(software.value(capabilities, "ApplicationDescription"), "Movra Plus Player");
    EXPECT_EQ(software.keys.value(capabilities + "\\FileAssociations").size(), 14);
    EXPECT_EQ(software.value(capabilities + "\\FileAssociations", ".qt"), "movra_qt_file");
    EXPECT_EQ(software.value("RegisteredApplications", "Movra Player"), "SOFTWARE\\" + capabilities);

    ASSERT_EQ(desktop.asked.size(), 1);
    EXPECT_EQ(desktop.asked.at(0), kChoiceExtensions);
    const QMap<QString, bool> expected = allOf({".tix", ".avi", ".movra", ".mvr", ".mkv", // chosen by default
                                          ".xvid", ".wmv", ".vob", ".mpg", ".mpeg", ".asf", ".qt"}, // nobody's
                                         true);
    ASSERT_EQ(desktop.requests.size(), 1);
    EXPECT_EQ(desktop.requests.at(0), expected);
    EXPECT_TRUE(settings().get(kXVIDFileAssoc, false)) << "a claimed type is remembered as chosen";
    EXPECT_FALSE(settings().get(kMOVFileAssoc, false));
    EXPECT_TRUE(settings().get(kInitialFileAssociationsHaveBeenMade, false));
}

TEST_F(Associations, LaterStartsOnlyAddWhatIsMissingAndLeaveTheChoicesAlone)
{
    associate(false);
    reg({"add", "HKCR\\movra_avi_file", "/ve", "/d", "changed by hand", "/f"});
    reg({"delete", "HKCR\\movra_qt_file", "/f"});
    desktop.asked.clear();
    desktop.requests.clear();

    associate(false);
    const RegistryExport hkcr = classes();
    EXPECT_EQ(hkcr.value("movra_avi_file"), "changed by hand");
    EXPECT_EQ(hkcr.value("movra_qt_file"), "QT File");
    EXPECT_TRUE(desktop.asked.isEmpty());
    EXPECT_TRUE(desktop.requests.isEmpty());
}

TEST_F(Associations, AForcedRunRenewsTheHandlersButKeepsTheirTypesAndEveryExtensionKey)
{
    setInstallDir("/old/place");
    associate(false);
    reg({"add", "HKCR\\movra_tix_file", "/v", "PerceivedType", "/d", "audio", "/f"});
    reg({"add", "HKCR\\movra_tix_file", "/v", "BrowserFlags", "/t", "REG_DWORD", "/d", "1", "/f"});
    reg({"add", "HKCR\\movra_mkv_file", "/v", "Content Type", "/d", "video/x-matroska", "/f"});
    reg({"add", "HKCR\\.avi", "/ve", "/d", "other_avi_file", "/f"});
    reg({"delete", "HKCR\\.mkv", "/v", "PerceivedType", "/f"});
    setInstallDir("/new/place");
    desktop.requests.clear();

    associate(true);
    const QString program = "/new/place/" + QCoreApplication::applicationName();
    const RegistryExport hkcr = classes();
    EXPECT_EQ(hkcr.value("movra_tix_file"), "TIX File");
    EXPECT_EQ(hkcr.value("movra_tix_file", "PerceivedType"), "audio");
    EXPECT_EQ(hkcr.value("movra_tix_file", "BrowserFlags"), "dword:00000001");
    EXPECT_EQ(hkcr.value("movra_mkv_file", "Content Type"), "video/x-matroska");
    EXPECT_EQ(hkcr.value("movra_mkv_file\\DefaultIcon"), program + ",4");
    EXPECT_EQ(hkcr.value("movra_avi_file\\shell\\open\\command"), "\"" + program + "\" \"%1\"");
    EXPECT_EQ(hkcr.value(".avi"), "other_avi_file");
    EXPECT_FALSE(hkcr.hasValue(".mkv", "PerceivedType"));
    // The choices are applied again although they were applied before.
    EXPECT_EQ(desktop.requests.size(), 1);
}

TEST_F(Associations, TheMpgChoiceCarriesMpegBothWays)
{
    for (const QString& extension : kChoiceExtensions)
        desktop.owners.insert(extension, "other.desktop");
    ASSERT_TRUE(settings().set(kMPGFileAssoc, true));
    associate(false);
    ASSERT_EQ(desktop.requests.size(), 1);
    EXPECT_EQ(desktop.requests.at(0), allOf({".tix", ".avi", ".movra", ".mvr", ".mkv", ".mpg", ".mpeg"}, true));

    disassociateFileTypes(desktop, settings());
    ASSERT_EQ(desktop.requests.size(), 2);
    EXPECT_EQ(desktop.requests.at(1).value(".mpg", true), false);
    EXPECT_EQ(desktop.requests.at(1).value(".mpeg", true), false);
}

// Whatever the choices say by now, every type the player may have made its own is taken
// back: the desktop half leaves a type alone whose default is another program's.
TEST_F(Associations, DisassociatingAsksToTakeBackEveryTypeThePlayerMayHaveClaimed)
{
    associate(false);
    ASSERT_TRUE(settings().set(kMKVFileAssoc, false));
    ASSERT_TRUE(settings().set(kXVIDFileAssoc, false));

    disassociateFileTypes(desktop, settings());
    ASSERT_EQ(desktop.requests.size(), 2);
    QStringList everyType = kChoiceExtensions;
    everyType << ".tix" << ".mvr" << ".mpeg";
    EXPECT_EQ(desktop.requests.at(1), allOf(everyType, false));
}

TEST_F(Associations, DisassociatingRemovesWhatIsStillOursOnly)
{
    reg({"add", "HKCR\\.txt", "/ve", "/d", "txtfile", "/f"});
    associate(false);
    reg({"add", "HKCR\\.avi", "/ve", "/d", "other_avi_file", "/f"});
    reg({"add", "HKCR\\.mvr", "/ve", "/d", "Movra_mvr_file", "/f"}); // the test is case-sensitive
    reg({"add", "HKLM\\SOFTWARE\\RegisteredApplications", "/v", "Other Player", "/d", "x", "/f"});

    disassociateFileTypes(desktop, settings());
    const RegistryExport hkcr = classes();
    for (const HandlerRow& row : kHandlers)
        EXPECT_FALSE(hkcr.hasKey(QStringLiteral("movra_%1_file").arg(row.extension))) << row.extension;
    EXPECT_EQ(hkcr.value(".avi"), "other_avi_file");
    EXPECT_EQ(hkcr.value(".mvr"), "Movra_mvr_file");
    EXPECT_FALSE(hkcr.hasKey(".mkv"));
    EXPECT_FALSE(hkcr.hasKey(".tix"));
    EXPECT_EQ(hkcr.value(".txt"), "txtfile");

    const RegistryExport software = machine();
    EXPECT_FALSE(software.hasKey("Clients\\Media\\Movra Player"));
    EXPECT_FALSE(software.hasValue("RegisteredApplications", "Movra Player"));
    EXPECT_EQ(software.value("RegisteredApplications", "Other Player"), "x");
    EXPECT_FALSE(settings().get(kInitialFileAssociationsHaveBeenMade, true));
    // The next start applies the choices again.
    desktop.requests.clear();
    associate(false);
    EXPECT_EQ(desktop.requests.size(), 1);
}

TEST_F(Associations, AReadOnlyMachineRootStillGetsTheUsersDefaultsSet)
{
    qputenv("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    MovraRegistry::resetRegistryForTesting();
    associate(false);
    EXPECT_FALSE(classes().hasKey("movra_avi_file"));
    EXPECT_FALSE(machine().hasKey("RegisteredApplications"));
    EXPECT_EQ(desktop.requests.size(), 1);
    EXPECT_TRUE(settings().get(kInitialFileAssociationsHaveBeenMade, false));
}

TEST_F(Associations, AFailedLookupDefersTheChoicesToTheNextForcedRun)
{
    desktop.answer = false;
    associate(false);
    EXPECT_TRUE(desktop.requests.isEmpty());
    EXPECT_TRUE(settings().get(kInitialFileAssociationsHaveBeenMade, false));
    associate(false);
    EXPECT_EQ(desktop.asked.size(), 1) << "a normal start does not ask again";

    desktop.answer = true;
    associate(true);
    EXPECT_EQ(desktop.requests.size(), 1);
}

TEST_F(Associations, WithoutAnInstallationRecordTheRecordsNameTheRunningProgram)
{
    associate(false);
    EXPECT_EQ(classes().value("movra_avi_file\\shell\\open\\command"),
              "\"" + QCoreApplication::applicationFilePath() + "\" \"%1\"");
}

} // namespace
