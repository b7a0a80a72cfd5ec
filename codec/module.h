#pragma once
// A dynamic library held for as long as someone needs its code.

#include "codec/uri.h"

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <string>

namespace mvtl {

class IModule
{
public:
    using Procedure = void (*)();

    // 0 loaded; 1 the address is empty; 2 the library could not be loaded.
    virtual int32_t load(Uri uri) = 0;
    // Null when nothing is loaded or the library exports no function of that name.
    virtual Procedure resolve(std::string name) = 0;
    virtual ~IModule() {}
};

class Module : public IModule
{
public:
    static boost::shared_ptr<IModule> create();

    Module() = default;
    ~Module() override;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    int32_t load(Uri uri) override;
    Procedure resolve(std::string name) override;

    // Why the last load failed, as the system put it.
    const std::string& errorString() const { return m_error; }

private:
    void* handle = nullptr;
    std::string m_error;
};

} // namespace mvtl
