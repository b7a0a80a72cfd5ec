#pragma once
// Shared by the codec tests: installation records, the stand-in component manager's script
// and call log, and waiting.

#include "support/mappedfiles.h"
#include "support/waitfor.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace CodecTest {

// The folder of one stand-in build: "full", "nofind" or "data".
QString standinFolder(const QString& variant);

// Writes (or, with an empty value name, only creates) the machine record Install\<component>
// in the registry that MOVRA_REGISTRY_DIR names, then drops every cached connection.
void writeInstallRecord(const QString& component, const QString& valueName = QString(), const QString& value = QString());
void removeInstallRecord(const QString& component);
// The "MovraComponentManager" record a player needs to fetch components for real, written
// into the registry folder `registryDir` (a player's private one); MOVRA_REGISTRY_DIR is
// left as it was.
void writeComponentManagerRecord(const QString& registryDir, const std::string& installDir,
                                 const std::string& componentsDir, const std::string& trustedKeys);

// The stand-in's plan and call log for one test, in a folder of its own.
class StandinScript
{
public:
    explicit StandinScript(const QString& plan);
    ~StandinScript();
    StandinScript(const StandinScript&) = delete;
    StandinScript& operator=(const StandinScript&) = delete;

    QString logPath() const { return m_dir.filePath(QStringLiteral("calls.log")); }
    QStringList calls() const;
    QString folder() const { return m_dir.path(); }
    // Lets every update of the "hold" outcome go on.
    void release() const;

private:
    QTemporaryDir m_dir;
};

QStringList readLines(const QString& path);
using MovraTest::isMapped;
using MovraTest::waitFor;

} // namespace CodecTest
