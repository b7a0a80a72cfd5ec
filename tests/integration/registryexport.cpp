#include "registryexport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace IntegrationTest {

namespace {

// The text between the quotes of a .reg string, starting at `from` (just after the
// opening quote); `from` ends after the closing quote.
QString unquote(const QString& line, qsizetype& from)
{
    QString text;
    for (; from < line.size(); ++from) {
        const QChar c = line.at(from);
        if (c == QLatin1Char('\\') && from + 1 < line.size()) {
            text += line.at(++from);
            continue;
        }
        if (c == QLatin1Char('"')) {
            ++from;
            break;
        }
        text += c;
    }
    return text;
}

} // namespace

QString movraReg()
{
    return qEnvironmentVariable("MOVRA_APP_DIR") + QStringLiteral("/movra-reg");
}

int runMovraReg(const QString& registryDir, const QStringList& arguments, QString* output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MOVRA_REGISTRY_DIR"), registryDir);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(movraReg(), arguments);
    if (!process.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

RegistryExport exportKey(const QString& registryDir, const QString& key)
{
    RegistryExport result;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("export.reg"));
    if (runMovraReg(registryDir, {QStringLiteral("export"), key, file, QStringLiteral("/y")}) != 0)
        return result;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = in.readAll();
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QString current;
    qsizetype rootLength = -1;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString path = line.mid(1, line.size() - 2);
            if (rootLength < 0)
                rootLength = path.size();
            current = path.mid(rootLength);
            if (current.startsWith(QLatin1Char('\\')))
                current.remove(0, 1);
            result.keys[current];
            continue;
        }
        QString name;
        qsizetype at = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            at = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            at = 1;
            name = unquote(line, at);
        } else {
            continue;
        }
        if (at >= line.size() || line.at(at) != QLatin1Char('='))
            continue;
        ++at;
        QString data;
        if (at < line.size() && line.at(at) == QLatin1Char('"')) {
            ++at;
            data = unquote(line, at);
        } else {
            data = line.mid(at);
        }
        result.keys[current][name] = data;
    }
    return result;
}

} // namespace IntegrationTest
