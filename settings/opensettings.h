#pragma once
// Opening sections of the store by path, and the installer's records.

#include "settings/imovrasettings.h"

#include <string>

namespace mvds {

class MovraSettings;

// Opens the section at `path` below SOFTWARE\Movra\ ("Settings/Player" or
// "Settings\Player"). On success `section`, when given, receives one reference that the
// caller owns. Sections on the way are created as objects but their keys are not opened.
bool openSettings(const std::u16string& path, SettingsOpenMode mode, IMovraSettings** section);
bool openSettings(const std::string& path, SettingsOpenMode mode, IMovraSettings** section);
// The same below `parent`, whose children map keeps the new section.
bool openSettings(const std::u16string& path, SettingsOpenMode mode, MovraSettings* parent,
                  IMovraSettings** section);

// Installation records: the machine keys SOFTWARE\Movra\Install\<component>, read-only.
bool openInstallSection(const std::u16string& component, IMovraSettings** section);
bool openInstallSection(const std::string& component, IMovraSettings** section);
bool readInstallString(const std::string& component, const std::string& valueName, std::string& value);
bool readInstallString(const std::u16string& component, const std::u16string& valueName,
                       std::u16string& value);
bool isInstallSectionPresent(const std::string& component);

} // namespace mvds
