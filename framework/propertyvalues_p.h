#pragma once
// Values of nodes in a properties document, shared by the XPath queries and the loader.

#include <MSE/String.h>

#include <libxml/tree.h>

#include <functional>
#include <initializer_list>

namespace MSE {

// The node's direct text and CDATA with entity references replaced (child elements give
// nothing); for an attribute its value. False when that is empty.
bool nodeValue(xmlDocPtr document, xmlNodePtr node, movra_string<char>& value);

// Visits, in document order, the elements an absolute XPath of plain child steps selects
// ("/a/b/c" is {"a", "b", "c"}): the same nodes, without the cost of an XPath evaluation.
// visit answers false to stop.
void forEachAtChildPath(xmlDocPtr document, std::initializer_list<const char*> steps,
                        const std::function<bool(xmlNodePtr)>& visit);

} // namespace MSE
