#include "framework/xmlerrors_p.h"

#include <MSE/PluginInfo.h>

#include <libxml/entities.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <cstring>
#include <functional>
#include <string>

namespace MSE {

PluginInfo::PluginInfo(_xmlDoc* document, const char* text) : document(document), text(nullptr)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length) {
        this->text = new char[length + 1];
        std::memcpy(this->text, text, length + 1);
    }
}

PluginInfo::~PluginInfo()
{
    if (document)
        xmlFreeDoc(document);
    delete[] text;
}

namespace {
// Calls visit on each node the expression selects, in document order; false when the
// expression cannot be evaluated or yields no node set.
bool forEachSelected(xmlDocPtr document, const movra_string<char>& xpath, const std::function<bool(xmlNodePtr)>& visit)
{
    if (!document || xpath.empty())
        return false;
    QuietXmlErrors quiet;
    xmlXPathContextPtr context = xmlXPathNewContext(document);
    if (!context)
        return false;
    xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), context);
    bool evaluated = false;
    if (result && result->type == XPATH_NODESET) {
        evaluated = true;
        if (xmlNodeSetPtr nodes = result->nodesetval) {
            for (int i = 0; i < nodes->nodeNr; ++i) {
                if (!visit(nodes->nodeTab[i]))
                    break;
            }
        }
    }
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
    return evaluated;
}

// Appends the text of a node list as xmlNodeListGetString(document, list, 1) gives it (text
// and CDATA, entity references replaced, elements skipped) in linear time; libxml2's own
// version concatenates quadratically, which a document with many references turns into
// seconds of work.
void appendListText(xmlDocPtr document, xmlNodePtr node, std::string& out, int depth)
{
    // The parser refuses entity loops and deep nesting; this only guards the recursion.
    if (depth > 64)
        return;
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content)
                out += reinterpret_cast<const char*>(node->content);
        } else if (node->type == XML_ENTITY_REF_NODE) {
            if (xmlEntityPtr entity = xmlGetDocEntity(document, node->name))
                appendListText(document, entity->children, out, depth + 1);
            else if (node->content)
                out += reinterpret_cast<const char*>(node->content);
        }
    }
}

// The node's value; false when it has none.
bool nodeValue(xmlDocPtr document, xmlNodePtr node, movra_string<char>& value)
{
    if (node->type == XML_NAMESPACE_DECL)
        return false;
    std::string text;
    appendListText(document, node->children, text, 0);
    if (text.empty())
        return false;
    value = movra_string<char>(text.c_str(), text.size());
    return true;
}
} // namespace

movra_string<char> PluginInfo::getPropertyValue(const movra_string<char>& xpath) const
{
    movra_string<char> value;
    forEachSelected(document, xpath, [&](xmlNodePtr node) {
        nodeValue(document, node, value);
        return false;
    });
    return value;
}

List<movra_string<char>> PluginInfo::getPropertyValues(const movra_string<char>& xpath) const
{
    List<movra_string<char>> values;
    forEachSelected(document, xpath, [&](xmlNodePtr node) {
        movra_string<char> value;
        if (nodeValue(document, node, value))
            values.append(value);
        return true;
    });
    return values;
}

bool PluginInfo::hasProperty(const movra_string<char>& xpath) const
{
    bool any = false;
    forEachSelected(document, xpath, [&](xmlNodePtr) {
        any = true;
        return false;
    });
    return any;
}

} // namespace MSE
