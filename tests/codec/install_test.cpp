// The install worker: its calls into the component manager, what it reports, and that a
// report never reaches a callback that has gone.

#include "codec/asyncinstall.h"
#include "codectestsupport.h"
#include "settings/registrysandbox.h"

#include <gtest/gtest.h>

#include <ostream>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using CodecTest::StandinScript;
using CodecTest::isMapped;
using CodecTest::standinFolder;

const std::string kFullLibrary = (standinFolder(QStringLiteral("full")) + QStringLiteral("/MovraComponentManager.so")).toStdString();

struct Report
{
    int32_t status;
    int32_t detail;
    bool libraryMapped;
};

class RecordingCallback : public mcm::IAsyncInstallCallback
{
public:
    RecordingCallback() { mcm::attachInstallCallback(this); }
    ~RecordingCallback() override { mcm::detachInstallCallback(this); }

    void installFinished(int32_t status, int32_t detail) override
    {
        const bool mapped = isMapped(kFullLibrary);
        std::lock_guard<std::mutex> lock(mutex);
        reports.push_back({status, detail, mapped});
        arrived.notify_all();
    }

    bool waitForReports(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(10), [&] { return reports.size() >= count; });
    }

    std::vector<Report> taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return reports;
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Report> reports;
};

class InstallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CodecTest::writeInstallRecord(QStringLiteral("MovraComponentManager"), QStringLiteral("InstallDir"),
                                      standinFolder(QStringLiteral("full")));
    }
    // A worker lets go of the library only after its report; the next test must not find it.
    void TearDown() override
    {
        EXPECT_TRUE(CodecTest::waitFor([] { return mcm::runningInstalls() == 0; }, 15000));
        EXPECT_FALSE(isMapped(kFullLibrary));
    }

    RegistrySandbox registry;
};

struct StatusRow
{
    const char* name;
    const char* plan;
    int32_t status;
    bool updates;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const StatusRow& row, std::ostream* out)
{
    *out << row.name;
}

class InstallStatus : public InstallTest, public ::testing::WithParamInterface<StatusRow>
{
};

TEST_P(InstallStatus, ReportsOnceWithDetailZero)
{
    const StatusRow& row = GetParam();
    StandinScript script(QString::fromLatin1(row.plan));
    RecordingCallback callback;
    mcm::startAsyncInstall({{"video_decoder.avc", "MPC", "3.1.0"}}, &callback);
    ASSERT_TRUE(callback.waitForReports(1));
    ASSERT_TRUE(CodecTest::waitFor([] { return !isMapped(kFullLibrary); }));
    const std::vector<Report> reports = callback.taken();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].status, row.status);
    EXPECT_EQ(reports[0].detail, 0);
    const QStringList calls = script.calls();
    EXPECT_EQ(calls.contains(QStringLiteral("MCM_UpdateComponents MPC")), row.updates) << calls.join(QLatin1Char('|')).toStdString();
    if (row.updates) {
        EXPECT_FALSE(reports[0].libraryMapped) << "after an update the library is gone before the report";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, InstallStatus,
                         ::testing::Values(StatusRow{"Installed", "ok", 0, true},
                                           StatusRow{"InitializeFailureBecomesOne", "init:42", 1, false},
                                           StatusRow{"NothingFoundIsThree", "none", 3, false},
                                           StatusRow{"FindStatusPassedOn", "find:27", 27, false},
                                           StatusRow{"UpdateStatusPassedOn", "update:27", 27, true},
                                           StatusRow{"UpdateQuestionPassedOn", "update:14", 14, true}),
                         [](const ::testing::TestParamInfo<StatusRow>& info) { return std::string(info.param.name); });

TEST_F(InstallTest, MissingLibraryReportsOne)
{
    CodecTest::removeInstallRecord(QStringLiteral("MovraComponentManager"));
    RecordingCallback callback;
    mcm::startAsyncInstall({{"video_decoder.avc", "MPC", "3.1.0"}}, &callback);
    ASSERT_TRUE(callback.waitForReports(1));
    EXPECT_EQ(callback.taken()[0].status, 1);
}

TEST_F(InstallTest, CallerMayDropItsSpecListAtOnce)
{
    StandinScript script(QStringLiteral("sleep:50"));
    RecordingCallback callback;
    {
        std::list<mcm::ComponentSpec> specs{{"video_decoder.mpeg4", "MPC", "3.1.0"}};
        mcm::startAsyncInstall(specs, &callback);
    }
    ASSERT_TRUE(callback.waitForReports(1));
    EXPECT_TRUE(script.calls().contains(QStringLiteral("MCM_AddSpec MPC;video_decoder.mpeg4;3.1.0")));
}

TEST_F(InstallTest, ReportAfterTheCallbackDetachedIsDropped)
{
    StandinScript script(QStringLiteral("hold"));
    auto* gone = new RecordingCallback;
    RecordingCallback witness;
    mcm::startAsyncInstall({{"video_decoder.avc", "MPC", "3.1.0"}}, gone);
    mcm::startAsyncInstall({{"video_decoder.avc", "MPC", "3.1.0"}}, &witness);
    ASSERT_TRUE(CodecTest::waitFor([&] { return script.calls().count(QStringLiteral("MCM_UpdateComponents MPC")) == 2; }));
    // Both workers are inside the library now. Destroying the first callback detaches it; a
    // report delivered to it anyway would touch freed memory, which the sanitizers report.
    delete gone;
    script.release();
    ASSERT_TRUE(witness.waitForReports(1));
    ASSERT_TRUE(CodecTest::waitFor([&] { return script.calls().count(QStringLiteral("MCM_Shutdown")) == 2; }));
    EXPECT_EQ(witness.taken().size(), 1u);
    EXPECT_FALSE(mcm::reportInstall(nullptr, 0, 0));
}

} // namespace
