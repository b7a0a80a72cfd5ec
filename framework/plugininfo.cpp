#include "framework/propertyvalues_p.h"
#include "framework/xmlerrors_p.h"

#include <MSE/PluginInfo.h>

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
