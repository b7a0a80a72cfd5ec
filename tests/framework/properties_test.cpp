#include "framework/plugininfoloader.h"
#include "framework/propertypaths.h"
#include "support/testsupport.h"

#include <MSE/PluginInfo.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using fwtest::StderrCapture;
using fwtest::TempDir;
using fwtest::wide;

namespace {

std::unique_ptr<MSE::PluginInfo> load(const std::string& path) { return std::unique_ptr<MSE::PluginInfo>(MSE::loadPluginInfo(wide(path))); }

std::vector<std::string> values(const MSE::PluginInfo& info, const char* xpath)
{
    std::vector<std::string> out;
    for (const MSE::movra_string<char>& value : info.getPropertyValues(xpath))
        out.push_back(value.c_str());
    return out;
}

const char kGoodDocument[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<properties version="1.0">
  <type>plugin</type>
  <plugin>
    <name>com.example.first</name>
    <name>com.example.second</name>
    <interfaces>
      <interface><name>com.movra.playerX.pluginInterface.View</name></interface>
      <interface><name></name></interface>
      <interface><name>one &amp; <![CDATA[two]]><ignored>child</ignored></name></interface>
    </interfaces>
    <dependencies><linux><so>libA.so</so><so>libB.so</so></linux><windows><dll>A.dll</dll></windows></dependencies>
  </plugin>
  <playerX><primaryView/></playerX>
</properties>
)";

TEST(PluginInfoLoaderTest, ReadsNameInterfacesAndText)
{
    TempDir dir;
    const std::string path = dir.write("Good.xml", kGoodDocument);
    StderrCapture errors;
    auto info = load(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(errors.text(), "");
    EXPECT_STREQ(info->name.c_str(), "com.example.first");
    ASSERT_EQ(info->interfaces.size(), 2u) << "an empty interface name contributes nothing";
    EXPECT_STREQ(info->interfaces.at(0).c_str(), "com.movra.playerX.pluginInterface.View");
    EXPECT_STREQ(info->interfaces.at(1).c_str(), "one & two");
    EXPECT_STREQ(info->text, kGoodDocument);
    EXPECT_TRUE(info->libraryFolder.empty());
    EXPECT_TRUE(info->libraryFile.empty());
    EXPECT_EQ(values(*info, MSE::PropertyPath::kDependencies), (std::vector<std::string>{"libA.so", "libB.so"}));
    EXPECT_TRUE(info->hasProperty(MSE::PropertyPath::kPrimaryView));
}

TEST(PluginInfoLoaderTest, QueriesOnMissingOrBrokenExpressionsAreEmpty)
{
    TempDir dir;
    auto info = load(dir.write("Good.xml", kGoodDocument));
    ASSERT_TRUE(info);
    EXPECT_STREQ(info->getPropertyValue("/properties/nothing").c_str(), "");
    EXPECT_STREQ(info->getPropertyValue("/properties/playerX").c_str(), "") << "element children give no value";
    EXPECT_STREQ(info->getPropertyValue("/properties/@version").c_str(), "1.0");
    EXPECT_STREQ(info->getPropertyValue("count(/properties)").c_str(), "") << "not a node set";
    testing::internal::CaptureStderr();
    EXPECT_STREQ(info->getPropertyValue("/properties[").c_str(), "");
    EXPECT_TRUE(values(*info, "/properties[").empty());
    EXPECT_FALSE(info->hasProperty("/properties["));
    EXPECT_FALSE(info->hasProperty("/properties/plugin/missing"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libxml2 says nothing of its own";
}

struct RejectRow
{
    const char* name;
    const char* content; // null: no file at all
    std::vector<std::string> messages;
    // What a tool is told, one line.
    std::string reason;
};

void PrintTo(const RejectRow& row, std::ostream* out) { *out << row.name; }

class PluginInfoRejectTest : public ::testing::TestWithParam<RejectRow>
{
};

// Messages name the file; "$" stands for its path.
TEST_P(PluginInfoRejectTest, WritesExactlyItsMessagesAndYieldsNothing)
{
    const RejectRow& row = GetParam();
    TempDir dir;
    const std::string path = dir.path() + "/Plugin.xml";
    if (row.content)
        dir.write("Plugin.xml", row.content);
    StderrCapture errors;
    std::string reason = "untouched";
    EXPECT_FALSE(MSE::loadPluginInfo(wide(path), &reason));
    EXPECT_EQ(reason, row.reason);
    std::string expected;
    for (std::string message : row.messages) {
        for (std::size_t at; (at = message.find('$')) != std::string::npos;)
            message.replace(at, 1, path);
        expected += message + "\n";
    }
    EXPECT_EQ(errors.text(), expected);
}

const std::string kNotParsed = "Could not find root element of doc '$'";
const std::string kVersion = "'properties' element of doc '$' is not version '1.0'";
const std::string kNoPluginData = "Doc '$' does not contain plugin data.";

INSTANTIATE_TEST_SUITE_P(
    Documents, PluginInfoRejectTest,
    ::testing::Values(
        RejectRow{"NotXml", "not <xml",
                  {"Could not parse file '$' contents: 'not <xml'", "  line 1, column 1: Start tag expected, '<' not found",
                   kNotParsed},
                  "not XML: line 1, column 1: Start tag expected, '<' not found"},
        RejectRow{"Unclosed", "<properties version=\"1.0\">\n  <type>plugin</typo>\n</properties>",
                  {"Could not parse file '$' contents: '<properties version=\"1.0\">\n  <type>plugin</typo>\n</properties>'",
                   "  line 2, column 22: Opening and ending tag mismatch: type line 2 and typo", kNotParsed},
                  "not XML: line 2, column 22: Opening and ending tag mismatch: type line 2 and typo"},
        RejectRow{"EmptyFile", "", {"Could not parse file '$' contents: ''", "  line 1, column 1: Document is empty", kNotParsed},
                  "not XML: line 1, column 1: Document is empty"},
        RejectRow{"MissingFile", nullptr, {"Could not parse file '$' contents: ''", kNotParsed},
                  "properties document cannot be opened"},
        RejectRow{"CapitalRoot", "<Properties version=\"1.0\"/>", {"Root element of doc '$' is not 'properties'"},
                  "wrong root element 'Properties', expected 'properties'"},
        RejectRow{"Version100", "<properties version=\"1.0.0\"/>", {kVersion}, "properties version '1.0.0', expected '1.0'"},
        RejectRow{"Version1", "<properties version=\"1\"/>", {kVersion}, "properties version '1', expected '1.0'"},
        RejectRow{"NoVersion", "<properties/>", {kVersion}, "properties element has no version, expected '1.0'"},
        RejectRow{"NoType", "<properties version=\"1.0\"><plugin><name>x</name></plugin></properties>", {kNoPluginData},
                  "no type element saying 'plugin'"},
        RejectRow{"CapitalType", "<properties version=\"1.0\"><type>Plugin</type></properties>", {kNoPluginData},
                  "type 'Plugin', expected 'plugin'"},
        RejectRow{"NotUtf8", "<properties version=\"1.0\"><type>plugin</type><plugin><name>caf\xe9</name></plugin></properties>",
                  {"Could not parse file '$' contents: '<properties version=\"1.0\"><type>plugin</type><plugin><name>caf\xe9</name>"
                   "</plugin></properties>'",
                   "  line 1, column 63: Input is not proper UTF-8, indicate encoding !", kNotParsed},
                  "not XML: line 1, column 63: Input is not proper UTF-8, indicate encoding !"}),
    [](const ::testing::TestParamInfo<RejectRow>& info) { return std::string(info.param.name); });

TEST(PluginInfoLoaderTest, OnlyTheLoadersMessagesReachStandardError)
{
    TempDir dir;
    const std::string path = dir.write("P.xml", "<?xml version=\"1.0\" encoding=\"X-NO-SUCH\"?><properties version=\"1.0\"/>");
    StderrCapture errors;
    EXPECT_FALSE(load(path));
    // libxml2's own report ("…: parser error : …") must not appear beside the loader's lines.
    const std::string text = errors.text();
    EXPECT_EQ(text.rfind("Could not parse file '" + path + "' contents: '", 0), 0u) << text;
    EXPECT_EQ(text.find("error :"), std::string::npos) << text;
    const std::string last = "Could not find root element of doc '" + path + "'\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

// The loader reads name and interfaces by walking the tree; XPath must agree on every document.
TEST(PluginInfoLoaderTest, NameAndInterfacesAgreeWithXPath)
{
    const char* bodies[] = {
        "<plugin><name>a</name><name>b</name></plugin><plugin><name>c</name></plugin>",
        "<plugin xmlns=\"urn:x\"><name>namespaced</name></plugin><plugin><name>plain</name></plugin>",
        "<plugin><x:name xmlns:x=\"urn:x\">prefixed</x:name><!-- c --><name><?pi?>after</name></plugin>",
        "<plugin><interfaces><interface><name>1</name><name>2</name></interface></interfaces>"
        "<interfaces><interface><name/><name>3</name></interface><interface><name>4<b>bold</b></name></interface>"
        "</interfaces></plugin><plugin><interfaces><interface><name>5</name></interface></interfaces></plugin>",
        "<other><plugin><name>deep</name></plugin></other>",
    };
    TempDir dir;
    for (const char* body : bodies) {
        auto info = load(dir.write("P.xml", std::string("<properties version=\"1.0\"><type>plugin</type>") + body +
                                                 "</properties>"));
        ASSERT_TRUE(info) << body;
        EXPECT_EQ(info->name, info->getPropertyValue(MSE::PropertyPath::kName)) << body;
        std::vector<std::string> loaded;
        for (const auto& value : info->interfaces)
            loaded.push_back(value.c_str());
        EXPECT_EQ(loaded, values(*info, MSE::PropertyPath::kInterfaces)) << body;
    }
}

TEST(PluginInfoLoaderTest, MissingNameAndInterfacesAreNotErrors)
{
    TempDir dir;
    auto info = load(dir.write("P.xml", "<properties version=\"1.0\"><type>plugin</type></properties>"));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->name.empty());
    EXPECT_TRUE(info->interfaces.empty());
}

TEST(PluginInfoLoaderTest, DeclaredEncodingIsConvertedToUtf8)
{
    TempDir dir;
    auto info = load(dir.write("P.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                        "<properties version=\"1.0\"><type>plugin</type><plugin><name>caf\xe9</name>"
                                        "</plugin></properties>"));
    ASSERT_TRUE(info);
    EXPECT_STREQ(info->name.c_str(), "caf\xc3\xa9");
}

// Hostile documents: rejected or harmless, never a crash, never a file or network read.
class HostileDocumentTest : public ::testing::Test
{
protected:
    // Loads the document; the record, if any, must not have reached the secret.
    std::unique_ptr<MSE::PluginInfo> loadHostile(const std::string& content)
    {
        StderrCapture quiet;
        auto info = load(dir.write("Hostile.xml", content));
        if (info) {
            EXPECT_EQ(std::string(info->name.c_str()).find("SECRET"), std::string::npos);
            for (const auto& value : info->interfaces)
                EXPECT_EQ(std::string(value.c_str()).find("SECRET"), std::string::npos);
        }
        return info;
    }
    TempDir dir;
};

TEST_F(HostileDocumentTest, ExternalEntityToALocalFileIsNotRead)
{
    const std::string secret = dir.write("secret.txt", "SECRET");
    auto info = loadHostile("<?xml version=\"1.0\"?><!DOCTYPE properties [<!ENTITY leak SYSTEM \"file://" + secret +
                            "\">]><properties version=\"1.0\"><type>plugin</type><plugin><name>&leak;</name>"
                            "<interfaces><interface><name>x&leak;</name></interface></interfaces></plugin></properties>");
    if (info) {
        EXPECT_STREQ(info->name.c_str(), "");
    }
}

TEST_F(HostileDocumentTest, ExternalParameterEntityAndDtdAreNotRead)
{
    const std::string secret = dir.write("secret.dtd", "<!ENTITY leak \"SECRET\">");
    loadHostile("<?xml version=\"1.0\"?><!DOCTYPE properties SYSTEM \"file://" + secret +
                "\"><properties version=\"1.0\"><type>plugin</type><plugin><name>&leak;</name></plugin></properties>");
    loadHostile("<?xml version=\"1.0\"?><!DOCTYPE properties [<!ENTITY % ext SYSTEM \"file://" + secret +
                "\"> %ext;]><properties version=\"1.0\"><type>plugin</type><plugin><name>&leak;</name></plugin>"
                "</properties>");
    loadHostile("<?xml version=\"1.0\"?><!DOCTYPE properties SYSTEM \"http://127.0.0.1:9/none.dtd\">"
                "<properties version=\"1.0\"><type>plugin</type><plugin><name>n</name></plugin></properties>");
}

TEST_F(HostileDocumentTest, EntityExpansionBombIsRejected)
{
    std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE properties [<!ENTITY a0 \"SECRETSECRET\">";
    for (int i = 1; i <= 10; ++i) {
        doc += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            doc += "&a" + std::to_string(i - 1) + ";";
        doc += "\">";
    }
    doc += "]><properties version=\"1.0\"><type>plugin</type><plugin><name>&a10;</name></plugin></properties>";
    EXPECT_FALSE(loadHostile(doc));
}

TEST_F(HostileDocumentTest, ModestInternalEntitiesStillWork)
{
    auto info = loadHostile("<?xml version=\"1.0\"?><!DOCTYPE properties [<!ENTITY vendor \"com.example\">]>"
                            "<properties version=\"1.0\"><type>plugin</type><plugin><name>&vendor;.plugin</name>"
                            "</plugin></properties>");
    ASSERT_TRUE(info);
    EXPECT_STREQ(info->name.c_str(), "com.example.plugin");
}

TEST_F(HostileDocumentTest, ManyReferencesToOneEntityExpandOnce)
{
    std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE properties [<!ENTITY e \"0123456789ab\"><!ENTITY all \"";
    for (int i = 0; i < 100000; ++i)
        doc += "&e;";
    doc += "\">]><properties version=\"1.0\"><type>plugin</type><plugin><name>&all;</name></plugin></properties>";
    auto info = loadHostile(doc);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name.length(), 1200000u);
}

TEST_F(HostileDocumentTest, DeepNestingIsRejected)
{
    std::string doc = "<properties version=\"1.0\"><type>plugin</type><plugin>";
    for (int i = 0; i < 100000; ++i)
        doc += "<a>";
    for (int i = 0; i < 100000; ++i)
        doc += "</a>";
    doc += "</plugin></properties>";
    EXPECT_FALSE(loadHostile(doc));
}

TEST_F(HostileDocumentTest, OversizedFileIsNotRead)
{
    std::string doc = "<properties version=\"1.0\"><type>plugin</type><plugin><name>big</name>";
    doc.append(MSE::kMaxPropertiesFileSize, ' ');
    doc += "</plugin></properties>";
    const std::string path = dir.write("Huge.xml", doc);
    StderrCapture errors;
    EXPECT_FALSE(load(path));
    EXPECT_EQ(errors.text(), "Could not parse file '" + path + "' contents: ''\nCould not find root element of doc '" +
                                 path + "'\n");
}

TEST_F(HostileDocumentTest, LargeButOrdinaryDocumentLoads)
{
    std::string doc = "<properties version=\"1.0\"><type>plugin</type><plugin><name>many</name><interfaces>";
    for (int i = 0; i < 20000; ++i)
        doc += "<interface><name>i" + std::to_string(i) + "</name></interface>";
    doc += "</interfaces></plugin></properties>";
    auto info = loadHostile(doc);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->interfaces.size(), 20000u);
}

TEST_F(HostileDocumentTest, EmbeddedNulEndsTheDocument)
{
    std::string doc = "<properties version=\"1.0\"><type>plugin</type></properties>";
    doc += std::string(1, '\0') + "<garbage";
    EXPECT_TRUE(loadHostile(doc));
}

TEST(AudioFormatIdTest, FollowsStrtolRules)
{
    struct Row
    {
        const char* text;
        int32_t value;
    } rows[] = {
        {"0x55", 85}, {"0X55", 85}, {"85", 85},       {"0x", 0},          {"0", 0},           {"", 0},
        {"abc", 0},   {"12abc", 12}, {"0x1g", 1},     {"-5", -5},         {"055", 55},        {"0xFFFFFFFF", INT32_MAX},
        {" 7", 7},    {"x55", 0},   {"99999999999", INT32_MAX},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MSE::parseAudioFormatId(row.text), row.value) << '"' << row.text << '"';
}

} // namespace
