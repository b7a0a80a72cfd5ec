#pragma once
#include <MSE/Plugin.h>
#include <MSE/String.h>

namespace MSE {
class PluginContext;
}

namespace MovraPlayerX {

// One interface of one plug-in object, held for the length of a call. The object is
// released with the holder; the interface pointer needs no release of its own.
class InterfaceHolder
{
public:
    explicit InterfaceHolder(const char* interfaceId);
    ~InterfaceHolder();

    InterfaceHolder(const InterfaceHolder&) = delete;
    InterfaceHolder& operator=(const InterfaceHolder&) = delete;

    // 0: acquired; 1: already held (nothing changed); 3: no plug-in offers it.
    int acquire(MSE::PluginContext* context);
    void release();

    template <class Interface>
    Interface* get() const { return static_cast<Interface*>(interface); }

private:
    MSE::movra_string<char> id;
    MSE::Plugin* plugin = nullptr;
    void* interface = nullptr;
};

} // namespace MovraPlayerX
