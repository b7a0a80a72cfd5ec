#pragma once
// Each test gets a registry of its own (the settings tests' sandbox), plus a look at what the
// application settings stored.

#include "settings/registrysandbox.h"

#include <QStringList>

class ScopedSettings
{
public:
    // Names of the values stored in one group of the application settings (user root),
    // sorted; empty when the group holds none or does not exist.
    static QStringList storedValues(const char* group);

private:
    RegistrySandbox m_sandbox;
};
