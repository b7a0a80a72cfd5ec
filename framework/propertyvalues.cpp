#include "framework/propertyvalues_p.h"

#include <libxml/entities.h>

#include <cstring>
#include <string>

namespace MSE {

namespace {
// Linear-time counterpart of xmlNodeListGetString(document, list, 1), whose repeated
// concatenation is quadratic: a document with many entity references made it take seconds.
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

// Element children named step outside any namespace, as an XPath name test without prefix.
bool visitSteps(xmlNodePtr first, const char* const* step, const char* const* end,
                const std::function<bool(xmlNodePtr)>& visit)
{
    for (xmlNodePtr node = first; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || node->ns || !xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(*step)))
            continue;
        if (step + 1 == end) {
            if (!visit(node))
                return false;
        } else if (!visitSteps(node->children, step + 1, end, visit)) {
            return false;
        }
    }
    return true;
}
} // namespace

bool nodeValue(xmlDocPtr document, xmlNodePtr node, movra_string<char>& value)
{
    if (node->type == XML_NAMESPACE_DECL)
        return false;
    // The usual value, one text node, is copied once instead of gathered first.
    const xmlNode* only = node->children;
    if (only && !only->next && (only->type == XML_TEXT_NODE || only->type == XML_CDATA_SECTION_NODE)) {
        const char* content = reinterpret_cast<const char*>(only->content);
        const std::size_t length = content ? std::strlen(content) : 0;
        if (length == 0)
            return false;
        value = movra_string<char>(content, length);
        return true;
    }
    std::string text;
    appendListText(document, node->children, text, 0);
    if (text.empty())
        return false;
    value = movra_string<char>(text.c_str(), text.size());
    return true;
}

void forEachAtChildPath(xmlDocPtr document, std::initializer_list<const char*> steps,
                        const std::function<bool(xmlNodePtr)>& visit)
{
    if (document && steps.size() > 0)
        visitSteps(document->children, steps.begin(), steps.end(), visit);
}

} // namespace MSE
