#pragma once
// Each test gets a registry of its own in a temporary folder; the start-up settings root is
// released on the way in and out so that no handle spans two registries.

#include "platform/registry.h"
#include "settings/applicationsettings.h"
#include "support/scopedenvironment.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

class ScopedSettings
{
public:
    ScopedSettings();
    ~ScopedSettings();

    // Names of the values stored in one group of the application settings (user root),
    // sorted; empty when the group holds none or does not exist.
    static QStringList storedValues(const char* group);

    ScopedSettings(const ScopedSettings&) = delete;
    ScopedSettings& operator=(const ScopedSettings&) = delete;

private:
    QTemporaryDir m_folder;
    QByteArray m_previous;
    bool m_hadPrevious;
};
