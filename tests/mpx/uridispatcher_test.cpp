#include "plugins/urirecorder.h"
#include "framework/farm.h"
#include "mpx/uridispatcher.h"

#include <QString>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using MovraPlayerX::URIDispatcher;

namespace {

const char kReceiver[] = "com.movra.test.UriHandler";
const char kRefusingReceiver[] = "com.movra.test.RefusingUriHandler";
const char kNotAReceiver[] = "com.movra.test.NoUriHandler";

// A farm of the test's own, fed from one folder of test plug-ins.
class URIDispatcherTest : public ::testing::Test
{
protected:
    void discover(const char* folder)
    {
        const std::wstring path = (QStringLiteral(MPX_TEST_PLUGIN_DIR "/") + QLatin1String(folder)).toStdWString();
        ASSERT_EQ(farm->discoverPlugins(MSE::movra_string<wchar_t>(path.c_str())), 0);
    }

    bool inUse(const char* pluginName)
    {
        return farm->isPluginInUse(MSE::PluginContext::PluginNameFilter(MSE::movra_string<char>(pluginName)));
    }

    // What the live object of the plug-in received; empty when it has no live object.
    std::vector<std::string> received(const char* pluginName)
    {
        std::vector<std::string> addresses;
        MSE::Plugin* plugin = nullptr;
        if (farm->getPlugin(&plugin, MSE::PluginContext::PluginNameFilter(MSE::movra_string<char>(pluginName)),
                            MSE::PluginContext::SimplePluginInfoSelector(), false)
            != 0)
            return addresses;
        void* recorder = nullptr;
        if (plugin->getInterface(MSE::movra_string<char>(kURIRecorderInterface), &recorder) == 0) {
            auto* log = static_cast<IURIRecorder*>(recorder);
            for (int i = 0; i < log->count(); ++i)
                addresses.emplace_back(log->uri(i));
        }
        plugin->release();
        return addresses;
    }

    std::unique_ptr<MSE::Farm> farm = std::make_unique<MSE::Farm>();
};

TEST_F(URIDispatcherTest, NoDispatcherWithoutAReceivingPlugin)
{
    EXPECT_EQ(URIDispatcher::getInstance(nullptr), nullptr);
    EXPECT_EQ(URIDispatcher::getInstance(farm.get()), nullptr); // nothing registered

    discover("none");
    EXPECT_EQ(URIDispatcher::getInstance(farm.get()), nullptr);
    EXPECT_FALSE(inUse(kNotAReceiver)); // never created for the asking
}

TEST_F(URIDispatcherTest, PluginThatRefusesTheInterfaceIsReleasedAgain)
{
    discover("refusing");
    EXPECT_EQ(URIDispatcher::getInstance(farm.get()), nullptr);
    EXPECT_FALSE(inUse(kRefusingReceiver));
}

TEST_F(URIDispatcherTest, DeliversEncodedAddressesInOrderAndReleasesThePlugin)
{
    discover("good");
    URIDispatcher* dispatcher = URIDispatcher::getInstance(farm.get());
    ASSERT_NE(dispatcher, nullptr);
    EXPECT_TRUE(inUse(kReceiver));

    const struct
    {
        QUrl address;
        const char* encoded;
    } rows[] = {
        {QUrl::fromLocalFile(QString::fromUtf8("/home/me/My Film \xC3\xBC.mkv")),
         "file:///home/me/My%20Film%20%C3%BC.mkv"},
        {QUrl(QString::fromUtf8("http://example.com/a b?q=1&r=\xC3\xA9#part")),
         "http://example.com/a%20b?q=1&r=%C3%A9#part"},
        {QUrl(QString::fromUtf8("http://b\xC3\xBC" "cher.example/")), "http://xn--bcher-kva.example/"},
        {QUrl(QStringLiteral("rtsp://[::1]:554/stream")), "rtsp://[::1]:554/stream"},
        {QUrl(), ""},
    };
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        dispatcher->dispatchURI(row.address);
        expected.emplace_back(row.encoded);
    }
    EXPECT_EQ(received(kReceiver), expected);

    dispatcher->releaseInstance();
    EXPECT_FALSE(inUse(kReceiver));
}

TEST_F(URIDispatcherTest, DispatchersShareTheLiveObjectAndEachHoldsItsOwnReference)
{
    discover("good");
    URIDispatcher* first = URIDispatcher::getInstance(farm.get());
    URIDispatcher* second = URIDispatcher::getInstance(farm.get());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    first->dispatchURI(QUrl(QStringLiteral("file:///a.mkv")));
    second->dispatchURI(QUrl(QStringLiteral("file:///b.mkv")));
    EXPECT_EQ(received(kReceiver), (std::vector<std::string>{"file:///a.mkv", "file:///b.mkv"}));

    first->releaseInstance();
    EXPECT_TRUE(inUse(kReceiver));
    second->releaseInstance();
    EXPECT_FALSE(inUse(kReceiver));
}

} // namespace
