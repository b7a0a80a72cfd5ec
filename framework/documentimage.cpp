#include "framework/documentimage.h"

#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace MSE {

namespace {

// Layout: the document's fields, then its children; a node is its type, line and extra,
// what its type carries, and (elements) its children up to kEnd. Strings are a length, the
// bytes and a NUL, or kNoString for a null pointer.
constexpr uint8_t kImageVersion = 1;
constexpr uint8_t kEnd = 0xFF;
constexpr uint32_t kNoString = 0xFFFFFFFF;
// A node's namespace: none, the document's predeclared xml namespace, or the n-th
// declaration met in document order.
constexpr int32_t kNoNamespace = -1;
constexpr int32_t kXmlNamespace = -2;
// The static names libxml2 gives text nodes.
constexpr uint8_t kPlainText = 0;
constexpr uint8_t kTextNoEncoding = 1;
// Deeper trees are refused by the parser already; this only bounds the recursion.
constexpr int kMaxDepth = 1024;

class ImageWriter
{
public:
    explicit ImageWriter(std::string& out) : m_out(out) {}

    void u8(uint8_t value) { m_out += static_cast<char>(value); }
    void u16(uint16_t value) { raw(&value, 2); }
    void u32(uint32_t value) { raw(&value, 4); }
    void i32(int32_t value) { raw(&value, 4); }
    void text(const xmlChar* value)
    {
        if (!value) {
            u32(kNoString);
            return;
        }
        const std::size_t length = std::strlen(reinterpret_cast<const char*>(value));
        u32(static_cast<uint32_t>(length));
        m_out.append(reinterpret_cast<const char*>(value), length + 1);
    }

private:
    void raw(const void* data, std::size_t size) { m_out.append(static_cast<const char*>(data), size); }
    std::string& m_out;
};

class Capture
{
public:
    Capture(const xmlDoc* document, std::string& out) : m_document(document), m_out(out) {}

    bool document()
    {
        const xmlDoc* d = m_document;
        if (d->_private || d->name || d->intSubset || d->extSubset || d->ids || d->refs || d->psvi || d->parent
            || d->next || d->prev)
            return false;
        if (d->oldNs && (d->oldNs->next || !xmlStrEqual(d->oldNs->href, XML_XML_NAMESPACE)
                         || !xmlStrEqual(d->oldNs->prefix, reinterpret_cast<const xmlChar*>("xml"))))
            return false;
        m_out.u8(kImageVersion);
        m_out.text(d->version);
        m_out.text(d->encoding);
        m_out.text(d->URL);
        m_out.i32(d->standalone);
        m_out.i32(d->charset);
        m_out.i32(d->compression);
        m_out.i32(d->parseFlags);
        m_out.i32(d->properties);
        m_out.u8(d->oldNs ? 1 : 0);
        return children(reinterpret_cast<const xmlNode*>(d), d->children, 0);
    }

private:
    bool children(const xmlNode* parent, const xmlNode* first, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        const xmlNode* previous = nullptr;
        for (const xmlNode* node = first; node; previous = node, node = node->next) {
            if (node->parent != parent || node->prev != previous || node->doc != m_document || !this->node(node, depth))
                return false;
        }
        if (parent->last != previous)
            return false;
        m_out.u8(kEnd);
        return true;
    }

    bool common(const xmlNode* node)
    {
        if (node->_private || node->psvi)
            return false;
        m_out.u8(static_cast<uint8_t>(node->type));
        m_out.u16(node->line);
        m_out.u16(node->extra);
        return true;
    }

    bool node(const xmlNode* node, int depth)
    {
        switch (node->type) {
        case XML_ELEMENT_NODE:
            return element(node, depth);
        case XML_TEXT_NODE:
            return text(node);
        case XML_CDATA_SECTION_NODE:
            return !node->name && leaf(node) && common(node) && content(node);
        case XML_COMMENT_NODE:
            return node->name == xmlStringComment && leaf(node) && common(node) && content(node);
        case XML_PI_NODE:
            if (!node->name || !leaf(node) || !common(node))
                return false;
            m_out.text(node->name);
            return content(node);
        default:
            return false;
        }
    }

    // A node without children, attributes or namespaces, as every node but an element is.
    static bool leaf(const xmlNode* node)
    {
        return !node->children && !node->last && !node->properties && !node->nsDef && !node->ns;
    }

    bool content(const xmlNode* node)
    {
        m_out.text(node->content);
        return true;
    }

    bool text(const xmlNode* node) { return leaf(node) && common(node) && textName(node->name) && content(node); }

    bool textName(const xmlChar* name)
    {
        if (name == xmlStringText)
            m_out.u8(kPlainText);
        else if (name == xmlStringTextNoenc)
            m_out.u8(kTextNoEncoding);
        else
            return false;
        return true;
    }

    bool namespaceIndex(const xmlNs* ns, int32_t& index) const
    {
        if (!ns) {
            index = kNoNamespace;
            return true;
        }
        if (ns == m_document->oldNs) {
            index = kXmlNamespace;
            return true;
        }
        // Declarations in scope are the latest ones; search from the end.
        for (std::size_t i = m_declared.size(); i-- > 0;) {
            if (m_declared[i] == ns) {
                index = static_cast<int32_t>(i);
                return true;
            }
        }
        return false;
    }

    bool element(const xmlNode* node, int depth)
    {
        if (!node->name || node->content || !common(node))
            return false;
        m_out.text(node->name);
        uint32_t declarations = 0;
        for (const xmlNs* ns = node->nsDef; ns; ns = ns->next)
            ++declarations;
        // Declarations come first: the element's own namespace may be one of them.
        m_out.u32(declarations);
        for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) {
            if (ns->type != XML_NAMESPACE_DECL || ns->_private || ns->context)
                return false;
            m_out.text(ns->prefix);
            m_out.text(ns->href);
            m_declared.push_back(ns);
        }
        int32_t index = 0;
        if (!namespaceIndex(node->ns, index))
            return false;
        m_out.i32(index);

        uint32_t attributes = 0;
        for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next)
            ++attributes;
        m_out.u32(attributes);
        const xmlAttr* previous = nullptr;
        for (const xmlAttr* attribute = node->properties; attribute; previous = attribute, attribute = attribute->next) {
            if (attribute->type != XML_ATTRIBUTE_NODE || attribute->_private || attribute->psvi || attribute->atype
                || !attribute->name || attribute->parent != node || attribute->prev != previous
                || attribute->doc != m_document || !namespaceIndex(attribute->ns, index))
                return false;
            m_out.text(attribute->name);
            m_out.i32(index);
            uint32_t values = 0;
            for (const xmlNode* text = attribute->children; text; text = text->next)
                ++values;
            m_out.u32(values);
            const xmlNode* previousText = nullptr;
            for (const xmlNode* text = attribute->children; text; previousText = text, text = text->next) {
                if (text->type != XML_TEXT_NODE || text->parent != reinterpret_cast<const xmlNode*>(attribute)
                    || text->prev != previousText || text->doc != m_document || !this->text(text))
                    return false;
            }
            if (attribute->last != previousText)
                return false;
        }
        return children(node, node->children, depth + 1);
    }

    const xmlDoc* m_document;
    ImageWriter m_out;
    std::vector<const xmlNs*> m_declared;
};

class Build
{
public:
    explicit Build(std::string_view image) : m_at(image.data()), m_end(image.data() + image.size()) {}

    xmlDocPtr document()
    {
        if (u8() != kImageVersion)
            return nullptr;
        const xmlChar* version = nullptr;
        const xmlChar* encoding = nullptr;
        const xmlChar* url = nullptr;
        int32_t standalone = 0, charset = 0, compression = 0, parseFlags = 0, properties = 0;
        if (!text(version) || !text(encoding) || !text(url) || !i32(standalone) || !i32(charset) || !i32(compression)
            || !i32(parseFlags) || !i32(properties))
            return nullptr;
        const uint8_t xmlNamespace = u8();
        if (!m_ok)
            return nullptr;
        xmlDocPtr document = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
        if (!document)
            return nullptr;
        m_document = document;
        xmlFree(const_cast<xmlChar*>(document->version));
        document->version = copy(version);
        document->encoding = copy(encoding);
        document->URL = copy(url);
        document->standalone = standalone;
        document->charset = charset;
        document->compression = compression;
        document->parseFlags = parseFlags;
        document->properties = properties;
        bool ok = (!version || document->version) && (!encoding || document->encoding) && (!url || document->URL);
        if (ok && xmlNamespace)
            ok = xmlSearchNs(document, reinterpret_cast<xmlNodePtr>(document), reinterpret_cast<const xmlChar*>("xml"))
                 != nullptr;
        if (!ok || !children(reinterpret_cast<xmlNodePtr>(document), 0) || m_at != m_end) {
            xmlFreeDoc(document);
            return nullptr;
        }
        return document;
    }

private:
    uint8_t u8()
    {
        if (m_end - m_at < 1) {
            m_ok = false;
            return 0;
        }
        return static_cast<uint8_t>(*m_at++);
    }
    template <typename T>
    bool raw(T& value)
    {
        if (std::size_t(m_end - m_at) < sizeof(T))
            return m_ok = false;
        std::memcpy(&value, m_at, sizeof(T));
        m_at += sizeof(T);
        return true;
    }
    bool i32(int32_t& value) { return raw(value); }
    bool text(const xmlChar*& value)
    {
        uint32_t length = 0;
        if (!raw(length))
            return false;
        if (length == kNoString) {
            value = nullptr;
            return true;
        }
        if (std::size_t(m_end - m_at) < std::size_t(length) + 1 || m_at[length] != '\0')
            return m_ok = false;
        value = reinterpret_cast<const xmlChar*>(m_at);
        m_at += std::size_t(length) + 1;
        return true;
    }
    static xmlChar* copy(const xmlChar* value) { return value ? xmlStrdup(value) : nullptr; }

    static void append(xmlNodePtr parent, xmlNodePtr node)
    {
        node->parent = parent;
        node->prev = parent->last;
        if (parent->last)
            parent->last->next = node;
        else
            parent->children = node;
        parent->last = node;
    }

    // Type, line and extra of the next node; false at the end of the list or on damage.
    bool header(uint8_t& type, uint16_t& line, uint16_t& extra)
    {
        type = u8();
        if (!m_ok || type == kEnd)
            return false;
        return raw(line) && raw(extra);
    }

    bool content(xmlNodePtr node)
    {
        const xmlChar* value = nullptr;
        if (!text(value))
            return false;
        if (value) {
            node->content = xmlStrdup(value);
            if (!node->content)
                return false;
        }
        return true;
    }

    // A text node with its name and content, appended to parent.
    bool textNode(xmlNodePtr parent, uint16_t line, uint16_t extra)
    {
        const uint8_t name = u8();
        if (!m_ok || name > kTextNoEncoding)
            return false;
        xmlNodePtr node = xmlNewDocText(m_document, nullptr);
        if (!node)
            return false;
        node->line = line;
        node->extra = extra;
        append(parent, node);
        if (name == kTextNoEncoding)
            node->name = xmlStringTextNoenc;
        return content(node);
    }

    bool children(xmlNodePtr parent, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        uint8_t type = 0;
        uint16_t line = 0, extra = 0;
        while (header(type, line, extra)) {
            xmlNodePtr node = nullptr;
            switch (type) {
            case XML_ELEMENT_NODE:
                if (!element(parent, line, extra, depth))
                    return false;
                continue;
            case XML_TEXT_NODE:
                if (!textNode(parent, line, extra))
                    return false;
                continue;
            case XML_CDATA_SECTION_NODE:
                node = xmlNewCDataBlock(m_document, nullptr, 0);
                break;
            case XML_COMMENT_NODE:
                node = xmlNewDocComment(m_document, nullptr);
                break;
            case XML_PI_NODE: {
                const xmlChar* name = nullptr;
                if (!text(name) || !name)
                    return false;
                node = xmlNewDocPI(m_document, name, nullptr);
                break;
            }
            default:
                return false;
            }
            if (!node)
                return false;
            node->line = line;
            node->extra = extra;
            append(parent, node);
            if (!content(node))
                return false;
        }
        return m_ok && type == kEnd;
    }

    bool namespaceAt(int32_t index, xmlNsPtr& ns) const
    {
        if (index == kNoNamespace)
            ns = nullptr;
        else if (index == kXmlNamespace && m_document->oldNs)
            ns = m_document->oldNs;
        else if (index >= 0 && std::size_t(index) < m_declared.size())
            ns = m_declared[std::size_t(index)];
        else
            return false;
        return true;
    }

    bool element(xmlNodePtr parent, uint16_t line, uint16_t extra, int depth)
    {
        const xmlChar* name = nullptr;
        uint32_t declarations = 0;
        if (!text(name) || !name || !raw(declarations))
            return false;
        xmlNodePtr node = xmlNewDocNode(m_document, nullptr, name, nullptr);
        if (!node)
            return false;
        node->line = line;
        node->extra = extra;
        append(parent, node);
        xmlNsPtr lastDeclared = nullptr;
        for (uint32_t i = 0; i < declarations; ++i) {
            const xmlChar* prefix = nullptr;
            const xmlChar* href = nullptr;
            if (!text(prefix) || !text(href))
                return false;
            // Linked by hand, as the parser does, so that no declaration is refused as a
            // duplicate of another.
            xmlNsPtr ns = xmlNewNs(nullptr, href, prefix);
            if (!ns)
                return false;
            if (lastDeclared)
                lastDeclared->next = ns;
            else
                node->nsDef = ns;
            lastDeclared = ns;
            m_declared.push_back(ns);
        }
        int32_t index = 0;
        uint32_t attributes = 0;
        if (!i32(index) || !namespaceAt(index, node->ns) || !raw(attributes))
            return false;
        xmlAttrPtr lastAttribute = nullptr;
        for (uint32_t i = 0; i < attributes; ++i) {
            const xmlChar* attributeName = nullptr;
            xmlNsPtr ns = nullptr;
            uint32_t values = 0;
            if (!text(attributeName) || !attributeName || !i32(index) || !namespaceAt(index, ns) || !raw(values))
                return false;
            // Created unattached and linked at the end: attaching walks the whole list.
            xmlAttrPtr attribute = xmlNewNsProp(nullptr, ns, attributeName, nullptr);
            if (!attribute)
                return false;
            attribute->doc = m_document;
            attribute->parent = node;
            attribute->prev = lastAttribute;
            if (lastAttribute)
                lastAttribute->next = attribute;
            else
                node->properties = attribute;
            lastAttribute = attribute;
            for (uint32_t v = 0; v < values; ++v) {
                uint8_t type = 0;
                uint16_t textLine = 0, textExtra = 0;
                if (!header(type, textLine, textExtra) || type != XML_TEXT_NODE
                    || !textNode(reinterpret_cast<xmlNodePtr>(attribute), textLine, textExtra))
                    return false;
            }
        }
        return children(node, depth + 1);
    }

    const char* m_at;
    const char* m_end;
    bool m_ok = true;
    xmlDocPtr m_document = nullptr;
    std::vector<xmlNsPtr> m_declared;
};

} // namespace

bool captureDocument(const _xmlDoc* document, std::string& out)
{
    if (!document)
        return false;
    const std::size_t size = out.size();
    if (Capture(document, out).document())
        return true;
    out.resize(size);
    return false;
}

_xmlDoc* buildDocument(std::string_view image) { return Build(image).document(); }

} // namespace MSE
