#pragma once
// A parsed properties document written down as the tree it is, so that a later start can
// rebuild the very same tree without tokenising the text again: every node in order with its
// name, content, line and extra fields, the attributes with their text children, the
// namespace declarations and which one each node uses, and the document's own fields.
//
// Only the shapes a properties document usually has are written: elements, attributes with
// plain text values, text, CDATA sections, comments, processing instructions and namespaces.
// A document with anything else (a DTD, entity references, IDs) gives no image; it is parsed
// from its text at every start.
//
// Rebuilt documents carry no dictionary, like documents parsed with XML_PARSE_NODICT: every
// name and content is the node's own allocation, so a plug-in may change its document on its
// own thread while another plug-in changes another one.

#include <MSE/PluginInfo.h>

#include <string>
#include <string_view>

namespace MSE {

// Appends the image of `document` to `out`; false (and `out` as it was) when the document
// holds something an image cannot carry.
MSE_FRAMEWORK_API bool captureDocument(const _xmlDoc* document, std::string& out);

// The document an image describes, or null when the image is damaged or memory ran out.
MSE_FRAMEWORK_API _xmlDoc* buildDocument(std::string_view image);

} // namespace MSE
