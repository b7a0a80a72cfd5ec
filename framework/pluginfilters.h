#pragma once
// Filters and the selector used with the generic context queries. Filters are small value
// objects: the queries copy them. An application filter derives from
// PluginContext::AbstractPluginInfoFilter and overrides test().

#include <MSE/PluginContext.h>

namespace MSE {

class MSE_FRAMEWORK_API PluginContext::AbstractPluginInfoFilter
{
public:
    virtual ~AbstractPluginInfoFilter();
    virtual bool test(const PluginInfo* info) const = 0;
};

class MSE_FRAMEWORK_API PluginContext::NullFilter : public PluginContext::AbstractPluginInfoFilter
{
public:
    bool test(const PluginInfo* info) const override;
};

// Passes the record whose name equals the given name exactly.
class MSE_FRAMEWORK_API PluginContext::PluginNameFilter : public PluginContext::AbstractPluginInfoFilter
{
public:
    explicit PluginNameFilter(const movra_string<char>& name);
    bool test(const PluginInfo* info) const override;

    movra_string<char> name;
};

// Passes records that declare the interface identifier exactly.
class MSE_FRAMEWORK_API PluginContext::PluginInterfaceFilter : public PluginContext::AbstractPluginInfoFilter
{
public:
    explicit PluginInterfaceFilter(const movra_string<char>& interfaceId);
    bool test(const PluginInfo* info) const override;

    movra_string<char> interfaceId;
};

class MSE_FRAMEWORK_API PluginContext::AbstractPluginInfoSelector
{
public:
    virtual ~AbstractPluginInfoSelector();
    // True when challenger is to replace best.
    virtual bool prefer(const PluginInfo* best, const PluginInfo* challenger) const = 0;
};

// Prefers the record at the lower address: arbitrary, but the same answer throughout a run.
class MSE_FRAMEWORK_API PluginContext::SimplePluginInfoSelector : public PluginContext::AbstractPluginInfoSelector
{
public:
    bool prefer(const PluginInfo* best, const PluginInfo* challenger) const override;
};

} // namespace MSE
