// The real movra-plugins on real plug-in folders: the framework tests' broken plug-ins, one
// that crashes in its entry function, and the SDK examples.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const QString kDiscovery = QStringLiteral(FRAMEWORK_TEST_PLUGIN_DIR "/discovery");

struct ToolRun
{
    int exitCode = -1;
    bool crashed = true;
    QByteArray out;
    QByteArray err;
};

ToolRun run(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(MOVRA_PLUGINS_EXECUTABLE), arguments);
    ToolRun result;
    if (!process.waitForFinished(60000))
        return result;
    result.exitCode = process.exitCode();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QJsonObject json(const ToolRun& result)
{
    return QJsonDocument::fromJson(result.out).object();
}

struct ListRow
{
    const char* file;
    const char* state;
    const char* reason; // "$" stands for the folder
};

void PrintTo(const ListRow& row, std::ostream* out) { *out << row.file; }

class ListTest : public ::testing::TestWithParam<ListRow>
{
protected:
    // One run serves every row.
    static std::map<QString, QJsonObject>& byLibrary()
    {
        static std::map<QString, QJsonObject> entries;
        if (entries.empty()) {
            const ToolRun result = run({QStringLiteral("--json"), QStringLiteral("--folder"), kDiscovery, QStringLiteral("list")});
            EXPECT_FALSE(result.crashed);
            EXPECT_EQ(result.exitCode, 1) << "some plug-ins are refused";
            for (const QJsonValue& entry : json(result).value(QStringLiteral("plugins")).toArray())
                entries[entry.toObject().value(QStringLiteral("library")).toString()] = entry.toObject();
        }
        return entries;
    }
};

TEST_P(ListTest, EachPluginHasItsStateAndExactReason)
{
    const ListRow& row = GetParam();
    const QJsonObject entry = byLibrary()[kDiscovery + QLatin1Char('/') + QLatin1String(row.file)];
    ASSERT_FALSE(entry.isEmpty()) << row.file << " is not listed";
    EXPECT_EQ(entry.value(QStringLiteral("state")).toString().toStdString(), row.state);
    QString reason = QString::fromUtf8(row.reason);
    reason.replace(QLatin1Char('$'), kDiscovery);
    EXPECT_EQ(entry.value(QStringLiteral("reason")).toString().toStdString(), reason.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Discovery, ListTest,
    ::testing::Values(
        ListRow{"GOODUPPER.SO", "registered", ""},
        // Listing does not call entry functions; inspect does.
        ListRow{"FailingEntry.so", "registered", ""},
        ListRow{"NoProperties.so", "refused", "properties document missing: $/NoProperties.xml"},
        ListRow{"NotXml.so", "refused", "not XML: line 1, column 1: Start tag expected, '<' not found"},
        ListRow{"WrongRoot.so", "refused", "wrong root element 'Properties', expected 'properties'"},
        ListRow{"WrongVersion.so", "refused", "properties version '1.0.0', expected '1.0'"},
        ListRow{"NoType.so", "refused", "no type element saying 'plugin'"},
        ListRow{"NoEntry.so", "refused", "no _getPlugin entry point"},
        ListRow{"NotElf.so", "refused", "$/NotElf.so: file too short"},
        ListRow{"MissingDependency.so", "refused", "GhostDependency.so: cannot open shared object file: No such file or directory"},
        ListRow{"MissingSymbol.so", "refused",
                "$/MissingSymbol.so: undefined symbol: _ZN13fwtest_absent15missingFunctionEPKci "
                "(fwtest_absent::missingFunction(char const*, int))"}),
    [](const ::testing::TestParamInfo<ListRow>& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(List, TheSecondClaimOfANameIsRefusedNamingTheKeeper)
{
    const ToolRun result = run({QStringLiteral("--json"), QStringLiteral("--folder"), kDiscovery, QStringLiteral("list")});
    std::map<QString, QJsonObject> entries;
    for (const QJsonValue& entry : json(result).value(QStringLiteral("plugins")).toArray())
        entries[entry.toObject().value(QStringLiteral("library")).toString().section(QLatin1Char('/'), -1)] = entry.toObject();
    const bool goodKept = entries["Good.so"].value(QStringLiteral("state")).toString() == QLatin1String("registered");
    const QJsonObject refused = entries[goodKept ? "Duplicate.so" : "Good.so"];
    EXPECT_EQ(refused.value(QStringLiteral("state")).toString(), QStringLiteral("refused"));
    EXPECT_EQ(refused.value(QStringLiteral("reason")).toString(),
              QStringLiteral("duplicate name 'test.good', kept by library '%1/%2'")
                  .arg(kDiscovery, goodKept ? QStringLiteral("Good.so") : QStringLiteral("Duplicate.so")));
    EXPECT_EQ(json(result).value(QStringLiteral("refused")).toInt(), 10);
    EXPECT_EQ(entries.size(), 13u) << "no subfolder, no .so.bak";
}

TEST(List, UsablePluginsExitZeroAndTheTextShowsWhatTheDocumentDeclares)
{
    const ToolRun result = run({QStringLiteral("--folder"), QStringLiteral(SDK_EXAMPLES_DIR), QStringLiteral("list")});
    EXPECT_EQ(result.exitCode, 0) << result.out.constData() << result.err.constData();
    EXPECT_TRUE(result.out.contains("com.example.movra.HelloView\n    state       registered\n"));
    EXPECT_TRUE(result.out.contains("    version     1.0\n"));
    EXPECT_TRUE(result.out.contains("    interfaces  com.movra.playerX.pluginInterface.View, "
                                    "com.movra.playerX.pluginInterface.URIHandler\n"))
        << result.out.constData();
    EXPECT_TRUE(result.out.endsWith("2 plug-ins, 0 refused\n"));
    EXPECT_TRUE(result.err.isEmpty()) << result.err.constData();
}

TEST(Inspect, APluginThatCrashesInItsEntryIsReportedAndTheToolLivesOn)
{
    const ToolRun result = run({QStringLiteral("--json"), QStringLiteral("--folder"),
                            QStringLiteral(FRAMEWORK_TEST_PLUGIN_DIR "/crashing"), QStringLiteral("inspect"),
                            QStringLiteral("test.crashing")});
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 1);
    const QJsonObject answer = json(result);
    EXPECT_EQ(answer.value(QStringLiteral("state")).toString(), QStringLiteral("crashed")) << result.out.constData();
    EXPECT_EQ(answer.value(QStringLiteral("signal")).toInt(), 4);
    EXPECT_EQ(answer.value(QStringLiteral("library")).toString(),
              QStringLiteral(FRAMEWORK_TEST_PLUGIN_DIR "/crashing/Crashing.so"));
}

TEST(Inspect, AnswersWhatThePluginOffersOrWhyItCannotBeCreated)
{
    ToolRun result = run({QStringLiteral("--json"), QStringLiteral("inspect"), kDiscovery + QStringLiteral("/Good.xml")});
    EXPECT_EQ(result.exitCode, 0) << result.out.constData();
    QJsonObject answer = json(result);
    EXPECT_EQ(answer.value(QStringLiteral("name")).toString(), QStringLiteral("test.good"));
    // Declared are Startup and a private identifier; asked for every known one, it offers
    // Startup and View.
    EXPECT_EQ(answer.value(QStringLiteral("offered")).toArray(),
              QJsonArray({QStringLiteral("com.movra.playerX.pluginInterface.Startup"),
                          QStringLiteral("com.movra.playerX.pluginInterface.View")}));

    result = run({QStringLiteral("--folder"), kDiscovery, QStringLiteral("inspect"), QStringLiteral("test.failingentry")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.contains("    state       refused: _getPlugin returned 42\n")) << result.out.constData();

    result = run({QStringLiteral("--folder"), kDiscovery, QStringLiteral("inspect"), QStringLiteral("test.nosuchplugin")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("no registered plug-in is named 'test.nosuchplugin'"));
}

} // namespace
