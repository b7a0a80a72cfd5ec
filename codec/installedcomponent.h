#pragma once
// Where an installed codec component's plug-ins are, for the plug-in folders of the farm.

#include <QString>

namespace mcm {

// The record Install\<name> "InstallDir", when the files there agree with the record: the
// folder exists and, if it holds the manifest the component manager writes into each folder
// it installs (".movra-component"), that names this component at the recorded "Version". A
// kill between an install's folder swap and its record write leaves them apart until the
// manager's next start puts the record right; until then the folder is not loaded. Empty
// when there is no such record or the files disagree.
QString installedComponentFolder(const QString& name);

} // namespace mcm
