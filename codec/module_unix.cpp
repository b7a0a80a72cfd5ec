#include "codec/module.h"

#include "codec/codeclog.h"

#include <boost/make_shared.hpp>

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <mutex>

namespace mvtl {

namespace {

// A library may export a name as data; calling it would jump into data, so only code counts.
bool isFunction(void* address)
{
    Dl_info info;
    void* entry = nullptr;
    if (!dladdr1(address, &info, &entry, RTLD_DL_SYMENT) || !entry)
        return false;
    const int type = ELF64_ST_TYPE(static_cast<const ElfW(Sym)*>(entry)->st_info);
    return type == STT_FUNC || type == STT_GNU_IFUNC;
}

// Two installs may load and unload the same library at once. The loader has a lock of its own,
// but one the thread analysis cannot see; this one it can. Never destroyed: a worker may unload
// while the process exits.
std::mutex& loaderMutex()
{
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

} // namespace

boost::shared_ptr<IModule> Module::create()
{
    return boost::make_shared<Module>();
}

Module::~Module()
{
    if (handle) {
        std::lock_guard<std::mutex> lock(loaderMutex());
        dlclose(handle);
    }
}

int32_t Module::load(Uri uri)
{
    if (uri.isEmpty())
        return 1;
    const std::string path = uri.localPath().utf8();
    if (path.empty()) {
        m_error = "not a local file: " + uri.scheme.utf8() + "://" + uri.host.utf8() + uri.path.utf8();
        qCWarning(lcCodec, "%s", m_error.c_str());
        return 2;
    }
    // RTLD_LOCAL: the library's symbols must not satisfy anyone else's lookups.
    std::unique_lock<std::mutex> lock(loaderMutex());
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        m_error = reason ? reason : "unknown error";
        lock.unlock();
        qCWarning(lcCodec, "cannot load %s: %s", path.c_str(), m_error.c_str());
        return 2;
    }
    return 0;
}

IModule::Procedure Module::resolve(std::string name)
{
    if (!handle)
        return nullptr;
    std::unique_lock<std::mutex> lock(loaderMutex());
    void* address = dlsym(handle, name.c_str());
    if (!address)
        return nullptr;
    const bool function = isFunction(address);
    lock.unlock();
    if (!function) {
        qCWarning(lcCodec, "%s is not a function", name.c_str());
        return nullptr;
    }
    return reinterpret_cast<Procedure>(address);
}

} // namespace mvtl
