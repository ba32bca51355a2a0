// A one-file web server on the loopback interface for the banner tests: it
// answers every GET with the same canned response (or, silent, with nothing
// at all) and counts the requests it gets.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace guitest {

class LoopbackHttpServer : public QObject {
public:
    struct Answer {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray contentType = "image/gif";
        QByteArray body;
        // A length announced in the header instead of the body's own; with
        // it the server sends the body and then keeps the connection open.
        qint64 announcedLength = -1;
        bool sendLength = true;  // without it the body ends where the connection does
        bool silent = false;     // read the request, answer nothing
        // Send a chunked body of chunkBytes-byte chunks, one every
        // chunkIntervalMs, for as long as the connection stays open.
        bool endlessChunks = false;
        int chunkBytes = 16 * 1024;
        int chunkIntervalMs = 0;
    };

    explicit LoopbackHttpServer(Answer answer) : m_answer(std::move(answer))
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] { OnConnection(); });
    }

    QString Url(const QString& path = QStringLiteral("/brimwell/banner_342x50.php")) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    // Chunks an endless answer has sent so far.
    qint64 ChunksSent() const { return m_chunksSent; }
    // Connections the client has not closed yet.
    int OpenConnections() const { return m_openConnections; }

    // The request lines received, such as "GET /path HTTP/1.1".
    const QStringList& Requests() const { return m_requests; }

    // A loopback address at which nothing listens.
    static QString UnreachableUrl()
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        return QStringLiteral("http://127.0.0.1:%1/brimwell/banner_342x50.php").arg(port);
    }

private:
    void OnConnection()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                received->append(socket->readAll());
                const qsizetype end = received->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                m_requests.append(QString::fromLatin1(received->left(received->indexOf("\r\n"))));
                received->remove(0, end + 4);
                Respond(socket);
            });
            ++m_openConnections;
            connect(socket, &QTcpSocket::disconnected, this, [this] { --m_openConnections; });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void Respond(QTcpSocket* socket)
    {
        if (m_answer.silent)
            return;
        if (m_answer.endlessChunks) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + m_answer.contentType +
                          "\r\nTransfer-Encoding: chunked\r\n\r\n");
            const QByteArray chunk = QByteArray::number(m_answer.chunkBytes, 16) + "\r\n" +
                                     QByteArray(m_answer.chunkBytes, 'x') + "\r\n";
            // Never more than a few chunks waiting: the client sets the pace.
            const auto topUp = [this, socket, chunk] {
                while (socket->bytesToWrite() < 4 * chunk.size()) {
                    socket->write(chunk);
                    ++m_chunksSent;
                }
            };
            if (m_answer.chunkIntervalMs == 0) {
                // As fast as the client reads: each write that reaches the
                // system makes room for the next, with no timer spinning for
                // the processor the client's network thread needs.
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
                topUp();
                return;
            }
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [this, socket, chunk] {
                if (socket->bytesToWrite() < 4 * chunk.size()) {
                    socket->write(chunk);
                    ++m_chunksSent;
                }
            });
            timer->start(m_answer.chunkIntervalMs);
            return;
        }
        const qint64 length = m_answer.announcedLength >= 0 ? m_answer.announcedLength : m_answer.body.size();
        QByteArray response = "HTTP/1.1 " + QByteArray::number(m_answer.status) + ' ' + m_answer.reason + "\r\n";
        response += "Content-Type: " + m_answer.contentType + "\r\n";
        if (m_answer.sendLength)
            response += "Content-Length: " + QByteArray::number(length) + "\r\n";
        response += "Connection: close\r\n\r\n";
        response += m_answer.body;
        socket->write(response);
        if (m_answer.announcedLength < 0)
            socket->disconnectFromHost();
    }

    Answer m_answer;
    QTcpServer m_server;
    QStringList m_requests;
    qint64 m_chunksSent = 0;
    int m_openConnections = 0;
};

// Runs the event loop until done() holds or timeoutMs passed; returns done().
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return done();
}

}  // namespace guitest
