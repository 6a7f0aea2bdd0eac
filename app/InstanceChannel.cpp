#include "app/InstanceChannel.h"

#include <QLocalSocket>

#include <unistd.h>

namespace pgw::app {

namespace {
constexpr int kWaitMilliseconds = 2000;
constexpr qint64 kMaxRequestBytes = 64 * 1024;  // a path, however long; more is no request of ours
}  // namespace

InstanceChannel::InstanceChannel(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

QString InstanceChannel::defaultName() { return QStringLiteral("pagewright-%1").arg(::getuid()); }

bool InstanceChannel::handToRunning(const QString& path) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kWaitMilliseconds)) return false;
    socket.write(path.toUtf8() + '\n');
    const bool sent = socket.waitForBytesWritten(kWaitMilliseconds);
    // The running program answers once it has the request; without an answer this start
    // opens the book itself rather than lose it.
    const bool answered = sent && socket.waitForReadyRead(kWaitMilliseconds) && socket.readAll().startsWith("ok");
    socket.disconnectFromServer();
    return answered;
}

bool InstanceChannel::listen(Request request) {
    request_ = std::move(request);
    // Listening would take the name over from a running program, so ask first; a socket
    // nobody answers on was left by a program that crashed, and can go.
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kWaitMilliseconds)) return false;
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) return false;
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
            readFrom(socket);
        }
    });
    return true;
}

void InstanceChannel::readFrom(QLocalSocket* socket) {
    if (socket->bytesAvailable() > kMaxRequestBytes) return socket->abort();
    if (!socket->canReadLine()) return;
    const QString path = QString::fromUtf8(socket->readLine()).chopped(1);
    socket->write("ok\n");
    socket->flush();
    if (request_) request_(path);
}

}  // namespace pgw::app
