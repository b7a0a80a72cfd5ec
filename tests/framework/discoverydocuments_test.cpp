// Documents discovery rebuilds from its catalogue cache instead of parsing them, and
// discovery of large folders, which works on several threads: a plug-in must see exactly
// what it would see had its document been parsed, in the same catalogue order with the
// same messages.

#include "framework/cataloguecache.h"
#include "framework/documentimage.h"
#include "framework/farm.h"
#include "framework/file.h"
#include "support/catalogue.h"
#include "support/testsupport.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

using fwtest::TempDir;

namespace {

struct Row
{
    const char* name;
    std::string text;
    bool rebuilt; // whether the cache can hold the tree itself
};

std::string plugin(const std::string& name, const std::string& prolog, const std::string& body,
                   const std::string& declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
{
    return declaration + prolog + "<properties version=\"1.0\">\n  <type>plugin</type>\n  <plugin><name>" + name
           + "</name><interfaces><interface><name>i." + name + "</name></interface></interfaces></plugin>\n" + body
           + "</properties>\n";
}

std::string longBody()
{
    std::string body;
    for (int i = 0; i < 66000; ++i)
        body += i % 1000 == 0 ? "  <entry n=\"" + std::to_string(i) + "\">value " + std::to_string(i) + "</entry>\n"
                              : "<i/>\n";
    return body;
}

std::vector<Row> rows()
{
    return {
        {"Whitespace", plugin("ws", "", "\t<a>  spaced  </a>\r\n\n   <b>\n</b>   <c>\t</c>\n"), true},
        {"Comments", plugin("comments", "<!-- before the root -->\n", "<a><!--inside--></a><!---->\n") + "<!-- after -->",
         true},
        {"CData", plugin("cdata", "", "<a><![CDATA[<not> & markup]]>text<![CDATA[]]><![CDATA[x]]></a>\n"), true},
        {"PredefinedEntitiesAndCharacterReferences",
         plugin("entities", "", "<a>&lt;&amp;&gt;&quot;&apos;&#65;&#x263A;</a><b attr=\"&lt;x&#10;y&gt;&amp;\"/>\n"),
         true},
        {"Namespaces",
         plugin("ns", "",
                "<a xmlns=\"urn:default\" xmlns:p=\"urn:p\"><p:b p:attr=\"1\" plain=\"2\"><c xmlns=\"\"/>"
                "<p:d xmlns:p=\"urn:other\" p:x=\"y\"/></p:b></a><d xml:lang=\"en\" xml:space=\"preserve\"/>\n"),
         true},
        {"Attributes", plugin("attrs", "", "<a one=\"1\" two='2' three=\"  spaced &#9;tab\n line\" empty=\"\"/>\n"), true},
        {"ProcessingInstructions", plugin("pis", "<?xml-stylesheet href=\"a\"?>\n", "<?target data here?><?bare?>\n"),
         true},
        {"LongDocument", plugin("long", "", longBody()), true},
        {"Latin1Declared",
         plugin("latin", "", "<a t=\"\xe9t\xe9\">\xe0 la \xab carte \xbb</a>\n",
                "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"),
         true},
        {"NoDeclaration", plugin("nodecl", "", "<a/>\n", ""), true},
        {"StandaloneAndBom",
         plugin("standalone", "", "<a/>\n", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"),
         true},
        {"InternalSubsetWithEntity",
         plugin("dtd", "<!DOCTYPE properties [<!ENTITY who \"world\"><!ATTLIST a id ID #IMPLIED>]>\n",
                "<a id=\"x\">hello &who;</a>\n"),
         false},
    };
}

std::string str(const xmlChar* text) { return text ? "'" + std::string(reinterpret_cast<const char*>(text)) + "'" : "null"; }

std::string nsText(const xmlNs* ns) { return ns ? "{" + str(ns->prefix) + "=" + str(ns->href) + "}" : "{}"; }

// Every field of every node a plug-in can read, one node a line.
void describe(const xmlNode* node, int depth, std::ostringstream& out)
{
    for (; node; node = node->next) {
        out << std::string(std::size_t(depth), ' ') << node->type << " " << str(node->name) << " line " << node->line
            << " extra " << node->extra;
        if (node->type == XML_ENTITY_REF_NODE || node->type == XML_DTD_NODE) {
            out << "\n";
            continue;
        }
        out << " content " << str(node->content) << " ns " << nsText(node->ns);
        if (node->type == XML_ELEMENT_NODE) {
            out << " defines";
            for (const xmlNs* ns = node->nsDef; ns; ns = ns->next)
                out << " " << nsText(ns);
            for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
                out << "\n" << std::string(std::size_t(depth) + 1, ' ') << "@" << str(attribute->name) << " ns "
                    << nsText(attribute->ns) << " atype " << attribute->atype;
                std::ostringstream value;
                describe(attribute->children, depth + 2, value);
                out << "\n" << value.str();
            }
        }
        out << "\n";
        describe(node->children, depth + 1, out);
    }
}

std::string describe(const xmlDoc* document)
{
    std::ostringstream out;
    out << "doc version " << str(document->version) << " encoding " << str(document->encoding) << " standalone "
        << document->standalone << " charset " << document->charset << " properties " << document->properties
        << " url " << str(document->URL) << " oldNs " << nsText(document->oldNs) << " subset "
        << (document->intSubset ? "yes" : "no") << "\n";
    describe(document->children, 0, out);
    return out.str();
}

std::string dump(xmlDoc* document)
{
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpMemory(document, &bytes, &size);
    std::string text(reinterpret_cast<const char*>(bytes), std::size_t(size));
    xmlFree(bytes);
    return text;
}

// The loader has always kept each node's line, which xmlParseDoc only records when asked.
xmlDoc* parseWithLines(const std::string& text)
{
    const int old = xmlLineNumbersDefault(1);
    xmlDoc* parsed = xmlParseDoc(reinterpret_cast<const xmlChar*>(text.c_str()));
    xmlLineNumbersDefault(old);
    return parsed;
}

// Empty when equal, else the first line that differs: a long document's texts are too large
// for the test framework to show whole.
std::string firstDifference(const std::string& actual, const std::string& expected)
{
    std::istringstream a(actual), e(expected);
    std::string left, right;
    for (int line = 1;; ++line) {
        const bool moreA = bool(std::getline(a, left));
        const bool moreE = bool(std::getline(e, right));
        if (!moreA && !moreE)
            return std::string();
        if (moreA != moreE || left != right)
            return "line " + std::to_string(line) + ": '" + (moreA ? left : "<end>") + "', expected '"
                   + (moreE ? right : "<end>") + "'";
    }
}

void expectSameAsParsed(xmlDoc* document, const std::string& text)
{
    xmlDoc* parsed = parseWithLines(text);
    ASSERT_TRUE(parsed);
    ASSERT_TRUE(document);
    EXPECT_EQ(firstDifference(describe(document), describe(parsed)), "");
    EXPECT_EQ(firstDifference(dump(document), dump(parsed)), "");
    // Nothing shared with another record's document: plug-ins change theirs on their own threads.
    EXPECT_EQ(document->dict, nullptr);
    xmlFreeDoc(parsed);
}

void letFilesSettle() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }

class DiscoveryDocumentsTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", (cacheHome.path() + "/cache").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CACHE_HOME"); }

    TempDir cacheHome;
    TempDir plugins;
};

TEST_F(DiscoveryDocumentsTest, RecordsRebuiltFromTheCacheHoldTheParsedTree)
{
    const std::vector<Row> table = rows();
    const std::string folder = plugins.mkdir("documents");
    std::map<std::string, const Row*> byLibrary;
    for (const Row& row : table) {
        plugins.write(std::string("documents/") + row.name + ".so", "library");
        plugins.write(std::string("documents/") + row.name + ".xml", row.text);
        byLibrary[std::string(row.name) + ".so"] = &row;
    }
    letFilesSettle();

    for (const char* start : {"first start, parsing", "second start, rebuilding from the cache"}) {
        SCOPED_TRACE(start);
        MSE::Farm farm;
        ASSERT_EQ(farm.discoverPlugins(fwtest::wide(folder)), MSE::kResultOk);
        ASSERT_EQ(farm.pluginInfos.size(), table.size());
        for (MSE::PluginInfo* info : farm.pluginInfos) {
            const Row& row = *byLibrary.at(fwtest::narrow(info->libraryFile));
            SCOPED_TRACE(row.name);
            expectSameAsParsed(info->document, row.text);
            EXPECT_EQ(std::string(info->text), row.text);
        }
    }

    MSE::CatalogueCache cache(folder + "/");
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        const MSE::CatalogueEntry* entry =
            cache.find(std::string(row.name) + ".so", MSE::FileKey::of(folder + "/" + row.name + ".xml"));
        ASSERT_TRUE(entry);
        EXPECT_EQ(!entry->image.empty(), row.rebuilt);
        if (!entry->image.empty()) {
            // Rebuilt twice from one image: two documents, each of its own.
            xmlDoc* first = MSE::buildDocument(entry->image);
            xmlDoc* second = MSE::buildDocument(entry->image);
            expectSameAsParsed(first, row.text);
            EXPECT_EQ(firstDifference(describe(first), describe(second)), "");
            xmlFreeDoc(first);
            xmlFreeDoc(second);
        }
    }
}

TEST(DocumentImageTest, ADamagedImageGivesNoDocument)
{
    const std::string text = plugin("damaged", "<!--c--><?pi x?>",
                                    "<a xmlns:p=\"urn:p\" p:x=\"1\"><p:b>t<![CDATA[c]]></p:b></a><d xml:lang=\"en\"/>");
    xmlDoc* parsed = xmlReadMemory(text.data(), int(text.size()), nullptr, nullptr, XML_PARSE_NODICT);
    ASSERT_TRUE(parsed);
    std::string image;
    ASSERT_TRUE(MSE::captureDocument(parsed, image));
    xmlFreeDoc(parsed);

    for (std::size_t size = 0; size < image.size(); ++size)
        EXPECT_EQ(MSE::buildDocument(std::string_view(image.data(), size)), nullptr) << "cut at " << size;
    // A byte changed anywhere gives a document or none, never a crash or a leak (ASan).
    for (std::size_t at = 0; at < image.size(); ++at) {
        for (const unsigned char value : {0x00, 0x01, 0x7f, 0xfe, 0xff}) {
            std::string damaged = image;
            damaged[at] = static_cast<char>(value);
            if (xmlDoc* document = MSE::buildDocument(damaged))
                xmlFreeDoc(document);
        }
    }
    EXPECT_EQ(MSE::buildDocument(image + "x"), nullptr) << "trailing bytes";
}

// The summary of registering every library of the folder one after another on this thread,
// as addPlugin does: the order and messages discovery must keep, however it spreads its work.
std::string oneByOneSummary(const std::string& folder)
{
    const std::string normalized = folder + "/";
    return fwtest::registrationSummary([&](MSE::Farm& farm) {
        int result = 3;
        for (const auto& path : MSE::listFiles(fwtest::wide(folder), L"so", false)) {
            const std::string file = fwtest::narrow(path).substr(normalized.size());
            if (farm.addPlugin(fwtest::wide(folder), fwtest::wide(file)) == 0)
                result = 0;
        }
        // discoverPlugins answers 0 for any folder with a candidate.
        return result == 0 || !MSE::listFiles(fwtest::wide(folder), L"so", false).empty() ? 0 : 3;
    });
}

TEST_F(DiscoveryDocumentsTest, ManyPluginsKeepTheirOrderAndMessages)
{
    const std::string folder = plugins.mkdir("many");
    for (int i = 0; i < 600; ++i) {
        const std::string base = "many/P" + std::to_string(i);
        plugins.write(base + ".so", "library");
        if (i % 7 == 3)
            continue; // no properties
        std::string text = plugin("p" + std::to_string(i % 13 == 5 ? 0 : i), "", "");
        if (i % 11 == 4)
            text = "<properties version=\"1.0\"><type>plugin"; // not XML
        else if (i % 17 == 6)
            text = "<?xml version=\"1.0\"?><other/>";
        plugins.write(base + ".xml", text);
    }
    const std::string expected = oneByOneSummary(folder);
    EXPECT_EQ(fwtest::discoverySummary(folder), expected) << "fresh, nothing settled to cache";
    letFilesSettle();
    EXPECT_EQ(fwtest::discoverySummary(folder), expected) << "first start, writing the cache";
    EXPECT_EQ(fwtest::discoverySummary(folder), expected) << "second start, from the cache";
}

} // namespace
