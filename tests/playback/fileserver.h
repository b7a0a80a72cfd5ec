#pragma once
// A loopback HTTP server for the playback tests: one file to every GET, without byte ranges,
// as a plain static server serves it. Runs on the event loop of the thread that made it.

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

namespace playbacktest {

class FileServer
{
public:
    explicit FileServer(const QString& file)
    {
        QFile in(file);
        if (in.open(QIODevice::ReadOnly))
            m_body = in.readAll();
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    // Each connection gathers its own request; one answer each.
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: video/webm\r\nContent-Length: "
                                  + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const char* name) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(QLatin1String(name));
    }

private:
    QTcpServer m_server;
    QByteArray m_body;
};

} // namespace playbacktest
