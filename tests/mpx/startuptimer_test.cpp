#include "mpx/startuptimer.h"

#include <QLoggingCategory>
#include <QStringList>
#include <gtest/gtest.h>

using MovraPlayerX::StartupTimer;

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (QByteArray(context.category) == "movra.shell")
        captured << message;
}

TEST(StartupTimer, RecordsAndLogsOnlyTheFirstDone)
{
    QLoggingCategory::setFilterRules(QStringLiteral("movra.shell.info=true"));
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    captured.clear();

    StartupTimer timer;
    EXPECT_EQ(timer.startupTimeMs(), -1);
    timer.done();
    const qint64 recorded = timer.startupTimeMs();
    EXPECT_GE(recorded, 0);
    // Reached through the meta-object system, as the start-up sequence's timer does.
    ASSERT_TRUE(QMetaObject::invokeMethod(&timer, "done", Qt::DirectConnection));
    EXPECT_EQ(timer.startupTimeMs(), recorded);

    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_EQ(captured.size(), 1);
    EXPECT_EQ(captured.first(), QStringLiteral("start-up took %1 ms").arg(recorded));
}

} // namespace
