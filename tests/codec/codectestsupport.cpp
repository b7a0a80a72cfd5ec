#include "codectestsupport.h"

#include "settings/registrysandbox.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <fstream>

namespace CodecTest {

namespace {

std::u16string recordKey(const QString& component)
{
    return u"SOFTWARE\\Movra\\Install\\" + component.toStdU16String();
}

} // namespace

QString standinFolder(const QString& variant)
{
    return QStringLiteral(CODEC_STANDIN_DIR) + QLatin1Char('/') + variant;
}

void writeInstallRecord(const QString& component, const QString& valueName, const QString& value)
{
    rawreg::createKey(MovraRegistry::HKEY_LOCAL_MACHINE, recordKey(component));
    if (!valueName.isEmpty())
        rawreg::write(MovraRegistry::HKEY_LOCAL_MACHINE, recordKey(component), valueName.toStdU16String(),
                      MovraRegistry::REG_SZ, rawreg::utf16z(value.toStdU16String()));
    RegistrySandbox::reconnect();
}

void writeComponentManagerRecord(const QString& registryDir, const std::string& installDir,
                                 const std::string& componentsDir, const std::string& trustedKeys)
{
    const QByteArray previous = qgetenv("MOVRA_REGISTRY_DIR");
    qputenv("MOVRA_REGISTRY_DIR", QFile::encodeName(registryDir));
    const auto record = [](const char* value, const std::string& text) {
        writeInstallRecord(QStringLiteral("MovraComponentManager"), QLatin1String(value), QString::fromStdString(text));
    };
    record("InstallDir", installDir);
    record("ComponentsDir", componentsDir);
    record("TrustedKeys", trustedKeys);
    qputenv("MOVRA_REGISTRY_DIR", previous);
    RegistrySandbox::reconnect();
}

void removeInstallRecord(const QString& component)
{
    MovraRegistry::SHDeleteKeyW(MovraRegistry::HKEY_LOCAL_MACHINE, recordKey(component).c_str());
    RegistrySandbox::reconnect();
}

StandinScript::StandinScript(const QString& plan)
{
    qputenv("MOVRA_TEST_CM_LOG", QFile::encodeName(logPath()));
    qputenv("MOVRA_TEST_CM_PLAN", plan.toUtf8());
}

void StandinScript::release() const
{
    QFile file(m_dir.filePath(QStringLiteral("release")));
    file.open(QIODevice::WriteOnly);
}

StandinScript::~StandinScript()
{
    release();
    // A worker may still be on its way out of the library, which reads these variables; every
    // wrapper that resolved the library's entries ends with one shutdown call.
    waitFor([this] {
        const QStringList lines = calls();
        return lines.filter(QStringLiteral("MCM_Shutdown")).size() >= lines.count(QStringLiteral("MCM_Initialize"));
    }, 15000);
    qunsetenv("MOVRA_TEST_CM_PLAN");
    qunsetenv("MOVRA_TEST_CM_LOG");
}

QStringList StandinScript::calls() const
{
    return readLines(logPath());
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace CodecTest
