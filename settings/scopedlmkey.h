#pragma once
#include "platform/registry.h"

// Closes the registry key it holds when it goes out of scope.
class ScopedLMKey
{
public:
    ScopedLMKey() = default;
    explicit ScopedLMKey(MovraRegistry::HKEY key) : key(key) {}
    ScopedLMKey(const ScopedLMKey&) = delete;
    ScopedLMKey& operator=(const ScopedLMKey&) = delete;
    ~ScopedLMKey();

    MovraRegistry::HKEY get() const { return key; }
    MovraRegistry::HKEY* out() { return &key; }
    void close();

private:
    MovraRegistry::HKEY key = nullptr;
};
