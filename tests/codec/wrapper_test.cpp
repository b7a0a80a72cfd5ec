// The component-manager wrapper against real libraries built in the test tree.

#include "codec/installedcomponent.h"
#include "codec/module.h"
#include "codec/wrapper.h"
#include "codectestsupport.h"
#include "settings/registrysandbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using CodecTest::StandinScript;
using CodecTest::isMapped;
using CodecTest::standinFolder;
using CodecTest::removeInstallRecord;
using CodecTest::writeInstallRecord;

const mcm::ComponentSpec kAvc{"video_decoder.avc", "MPC", "3.1.0"};
const mcm::ComponentSpec kHevc{"video_decoder.hevc", "MPC", "3.1.0"};

std::string libraryOf(const QString& variant)
{
    return (standinFolder(variant) + QStringLiteral("/MovraComponentManager.so")).toStdString();
}

class WrapperTest : public ::testing::Test
{
protected:
    void useLibraryIn(const QString& folder) { writeInstallRecord(QStringLiteral("MovraComponentManager"), QStringLiteral("InstallDir"), folder); }

    RegistrySandbox registry;
};

TEST_F(WrapperTest, LibraryAddressComesFromTheInstallRecord)
{
    EXPECT_TRUE(mcm::componentManagerUri().isEmpty()) << "no record, no address";

    writeInstallRecord(QStringLiteral("MovraComponentManager"));
    Uri atRoot = mcm::componentManagerUri();
    EXPECT_EQ(atRoot.scheme.utf8(), "file");
    EXPECT_EQ(atRoot.localPath().utf8(), "/MovraComponentManager.so");

    useLibraryIn(QStringLiteral("/opt/movra/ComponentManager"));
    EXPECT_EQ(mcm::componentManagerUri().localPath().utf8(), "/opt/movra/ComponentManager/MovraComponentManager.so");
}

TEST_F(WrapperTest, WithoutALoadableLibraryInitializeGivesTwo)
{
    // No record at all, then a record without "InstallDir", whose library is looked for at "/".
    StandinScript script(QStringLiteral("ok"));
    for (bool record : {false, true}) {
        if (record)
            writeInstallRecord(QStringLiteral("MovraComponentManager"));
        auto manager = mcm::createComponentManager();
        EXPECT_EQ(manager->initialize(mvtl::Module::create()), mcm::kNotInstalled) << "record " << record;
    }
    auto manager = mcm::createComponentManager();
    EXPECT_EQ(manager->initialize(boost::shared_ptr<mvtl::IModule>()), mcm::kNotInstalled);
    EXPECT_TRUE(script.calls().isEmpty());
}

TEST_F(WrapperTest, CallsAddSpecPerSpecInOrderThenFindsThenUpdates)
{
    StandinScript script(QStringLiteral("ok"));
    useLibraryIn(standinFolder(QStringLiteral("full")));
    {
        auto manager = mcm::createComponentManager();
        ASSERT_EQ(manager->initialize(mvtl::Module::create()), 0);
        EXPECT_TRUE(isMapped(libraryOf(QStringLiteral("full"))));

        std::list<std::string> found{"kept"};
        EXPECT_EQ(manager->findComponents({kHevc, kAvc}, &found), 0);
        EXPECT_EQ(found, (std::list<std::string>{"kept", "MPC"}));

        std::list<std::string> names{"MPC", "AVCCodec"};
        EXPECT_EQ(manager->updateComponents(&names), 0);

        std::list<std::string> updates{"Player", "MPC"};
        EXPECT_EQ(manager->checkForUpdates(&updates, 7), 0);
        EXPECT_EQ(updates, (std::list<std::string>{"Player", "MPC", "Player"}));
    }
    EXPECT_EQ(script.calls(), (QStringList{
                                  QStringLiteral("MCM_Initialize"),
                                  QStringLiteral("MCM_AddSpec MPC;video_decoder.hevc;3.1.0"),
                                  QStringLiteral("MCM_AddSpec MPC;video_decoder.avc;3.1.0"),
                                  QStringLiteral("MCM_FindComponents"),
                                  QStringLiteral("MCM_UpdateComponents MPC;AVCCodec"),
                                  QStringLiteral("MCM_UpdateComponents done"),
                                  QStringLiteral("MCM_CheckForUpdates Player;MPC 7"),
                                  QStringLiteral("MCM_Shutdown"),
                              }));
    EXPECT_FALSE(isMapped(libraryOf(QStringLiteral("full")))) << "the last entry went, and the library with it";
}

TEST_F(WrapperTest, NoSpecsGivesThirteenWithoutCallingTheLibrary)
{
    StandinScript script(QStringLiteral("ok"));
    useLibraryIn(standinFolder(QStringLiteral("full")));
    auto manager = mcm::createComponentManager();
    ASSERT_EQ(manager->initialize(mvtl::Module::create()), 0);
    std::list<std::string> found;
    EXPECT_EQ(manager->findComponents({}, &found), mcm::kNoSpecs);
    EXPECT_EQ(script.calls(), QStringList{QStringLiteral("MCM_Initialize")});
}

TEST_F(WrapperTest, MissingEntryInTheMiddleGivesOneAndStillShutsDown)
{
    StandinScript script(QStringLiteral("ok"));
    useLibraryIn(standinFolder(QStringLiteral("nofind")));
    {
        auto manager = mcm::createComponentManager();
        EXPECT_EQ(manager->initialize(mvtl::Module::create()), mcm::kEntryPointMissing);
        EXPECT_TRUE(isMapped(libraryOf(QStringLiteral("nofind")))) << "the entries resolved so far hold the library";
        // Calls after a failed set-up have nothing to reach.
        std::list<std::string> names{"MPC"};
        EXPECT_EQ(manager->updateComponents(&names), mcm::kEntryPointMissing);
    }
    EXPECT_EQ(script.calls(), QStringList{QStringLiteral("MCM_Shutdown null")});
    EXPECT_FALSE(isMapped(libraryOf(QStringLiteral("nofind"))));
}

TEST_F(WrapperTest, LibraryStatusOfInitializeIsPassedOn)
{
    StandinScript script(QStringLiteral("init:42"));
    useLibraryIn(standinFolder(QStringLiteral("full")));
    auto manager = mcm::createComponentManager();
    EXPECT_EQ(manager->initialize(mvtl::Module::create()), 42);
}

TEST_F(WrapperTest, CallbackCopesWithNullAndThousandsOfNames)
{
    useLibraryIn(standinFolder(QStringLiteral("full")));
    {
        StandinScript script(QStringLiteral("nullname"));
        auto manager = mcm::createComponentManager();
        ASSERT_EQ(manager->initialize(mvtl::Module::create()), 0);
        std::list<std::string> found;
        EXPECT_EQ(manager->findComponents({kAvc}, &found), 0);
        EXPECT_EQ(found, std::list<std::string>{"MPC"});
    }
    {
        StandinScript script(QStringLiteral("many:5000"));
        auto manager = mcm::createComponentManager();
        ASSERT_EQ(manager->initialize(mvtl::Module::create()), 0);
        std::list<std::string> found;
        EXPECT_EQ(manager->findComponents({kAvc}, &found), 0);
        ASSERT_EQ(found.size(), 5000u);
        EXPECT_EQ(found.back(), "component4999");
        EXPECT_EQ(manager->updateComponents(&found), 0);
    }
}

struct BadLibraryRow
{
    const char* name;
    int32_t status;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const BadLibraryRow& row, std::ostream* out)
{
    *out << row.name;
}

class BadLibrary : public WrapperTest, public ::testing::WithParamInterface<BadLibraryRow>
{
};

TEST_P(BadLibrary, IsRefusedWithoutCallingAnything)
{
    const BadLibraryRow& row = GetParam();
    QTemporaryDir folder;
    const QString library = folder.filePath(QStringLiteral("MovraComponentManager.so"));
    const std::string kind = row.name;
    if (kind == "NotElf") {
        QFile file(library);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho not a library\n");
    } else if (kind == "Folder") {
        ASSERT_TRUE(QDir().mkpath(library));
    } else if (kind == "Empty") {
        QFile file(library);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    useLibraryIn(kind == "DataExports" ? standinFolder(QStringLiteral("data")) : folder.path());

    auto manager = mcm::createComponentManager();
    EXPECT_EQ(manager->initialize(mvtl::Module::create()), row.status);
    std::list<std::string> found;
    EXPECT_EQ(manager->findComponents({kAvc}, &found), mcm::kEntryPointMissing);
    EXPECT_TRUE(found.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, BadLibrary,
                         ::testing::Values(BadLibraryRow{"NotElf", mcm::kNotInstalled},
                                           BadLibraryRow{"Folder", mcm::kNotInstalled},
                                           BadLibraryRow{"Empty", mcm::kNotInstalled},
                                           BadLibraryRow{"Missing", mcm::kNotInstalled},
                                           BadLibraryRow{"DataExports", mcm::kEntryPointMissing}),
                         [](const ::testing::TestParamInfo<BadLibraryRow>& info) { return std::string(info.param.name); });

TEST(Module, LoadsOnlyLocalFiles)
{
    const std::string path = libraryOf(QStringLiteral("full"));
    struct Row
    {
        const char* name;
        std::string text;
        int32_t status;
    };
    const Row rows[] = {
        {"EmptyAddress", "", 1},
        {"OtherScheme", "res://" + path, 2},
        {"NoSchemeAtAll", path, 2},
        {"LocalFile", "file://" + path, 0},
    };
    for (const Row& row : rows) {
        mvtl::Module module;
        EXPECT_EQ(module.load(Uri(Utf8String(row.text))), row.status) << row.name;
        EXPECT_EQ(module.resolve("MCM_Initialize") != nullptr, row.status == 0) << row.name;
        if (row.status == 2) {
            EXPECT_FALSE(module.errorString().empty()) << row.name;
        }
    }
    mvtl::Module module;
    EXPECT_EQ(module.resolve("MCM_Initialize"), nullptr) << "nothing loaded";
}

} // namespace

namespace {

// The plug-in folder of an installed component is loaded only while its files agree with its
// record (a kill between the folder swap and the record write leaves them apart).
TEST_F(WrapperTest, ComponentFolderCountsOnlyWhileItsFilesAgreeWithTheRecord)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("AVCCodec"));
    const auto writeManifest = [&](const QByteArray& text) {
        QFile manifest(folder + QStringLiteral("/.movra-component"));
        ASSERT_TRUE(manifest.open(QIODevice::WriteOnly | QIODevice::Truncate));
        manifest.write(text);
    };
    const QString name = QStringLiteral("AVCCodec");
    EXPECT_EQ(mcm::installedComponentFolder(name), QString()) << "no record";
    writeInstallRecord(name, QStringLiteral("InstallDir"), folder);
    writeInstallRecord(name, QStringLiteral("Version"), QStringLiteral("1.0.34"));
    EXPECT_EQ(mcm::installedComponentFolder(name), QString()) << "no folder";
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(mcm::installedComponentFolder(name), folder) << "a package's folder, without a manifest";
    const struct
    {
        const char* manifest;
        bool loaded;
    } rows[] = {
        {R"({"name": "AVCCodec", "version": "1.0.34", "sha256": "x"})", true},
        {R"({"name": "AVCCodec", "version": "1.0.33"})", false},
        {R"({"name": "HEVCCodec", "version": "1.0.34"})", false},
        {"not json", false},
    };
    for (const auto& row : rows) {
        writeManifest(row.manifest);
        EXPECT_EQ(mcm::installedComponentFolder(name), row.loaded ? folder : QString()) << row.manifest;
    }
    removeInstallRecord(name);
}

} // namespace
