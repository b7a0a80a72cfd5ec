#include "settings/scopedlmkey.h"

ScopedLMKey::~ScopedLMKey()
{
    close();
}

void ScopedLMKey::close()
{
    if (key) {
        MovraRegistry::RegCloseKey(key);
        key = nullptr;
    }
}
