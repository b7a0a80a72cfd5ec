#pragma once
// Keeps libxml2 from printing its own diagnostics while the framework parses or queries a
// properties document: failures are reported by the framework's messages alone. libxml2's
// error handlers are per thread, so other threads and libraries keep theirs.

#include <libxml/globals.h>
#include <libxml/xmlerror.h>

namespace MSE {

class QuietXmlErrors
{
public:
    QuietXmlErrors()
        : m_generic(xmlGenericError), m_genericContext(xmlGenericErrorContext), m_structured(xmlStructuredError),
          m_structuredContext(xmlStructuredErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, &ignore);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
    }
    ~QuietXmlErrors()
    {
        xmlSetGenericErrorFunc(m_genericContext, m_generic);
        xmlSetStructuredErrorFunc(m_structuredContext, m_structured);
    }
    QuietXmlErrors(const QuietXmlErrors&) = delete;
    QuietXmlErrors& operator=(const QuietXmlErrors&) = delete;

private:
    static void ignore(void*, const char*, ...) {}

    xmlGenericErrorFunc m_generic;
    void* m_genericContext;
    xmlStructuredErrorFunc m_structured;
    void* m_structuredContext;
};

} // namespace MSE
