#include "OpenRequest.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace {

const QByteArray RequestText = "0x83F0";
// White space around the request is allowed; a client that sends more is no client of ours.
constexpr qsizetype MaxRequestBytes = 64;

// Milliseconds that a running program gets to accept the probe of its socket.
constexpr int ProbeMilliseconds = 1000;

// True when a program answers on the socket `name`.
bool SocketAnswers(const QString& name)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool answered = probe.waitForConnected(ProbeMilliseconds);
    probe.abort();
    return answered;
}

}  // namespace

TOpenRequestState JudgeOpenRequest(const QByteArray& received, bool closed)
{
    if (received.size() > MaxRequestBytes)
        return TOpenRequestState::Refused;
    const QByteArray text = received.trimmed();
    if (text == RequestText)
        return TOpenRequestState::Request;
    if (!closed && RequestText.startsWith(text) && !received.endsWith('\n'))
        return TOpenRequestState::Incomplete;
    return TOpenRequestState::Refused;
}

TOpenRequestServer::TOpenRequestServer(QObject* parent, std::function<void()> onRequest)
    : QObject(parent), server_(new QLocalServer(this)), onRequest_(std::move(onRequest))
{
    connect(server_, &QLocalServer::newConnection, this, &TOpenRequestServer::Accept);
}

bool TOpenRequestServer::Listen(const QString& name)
{
    // No program can answer where no socket lies: a name without a folder stands for a
    // socket in the folder for temporary files.
    const QString path = name.startsWith(u'/') ? name : QDir::cleanPath(QDir::tempPath()) + u'/' + name;
    if (QFileInfo::exists(path) && SocketAnswers(name))
        return false;
    QLocalServer::removeServer(name);  // refuses connections: nobody listens there any more
    return server_->listen(name);
}

bool TOpenRequestServer::IsListening() const { return server_->isListening(); }

void TOpenRequestServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // The bytes of this client so far, and whether its request has been answered.
        auto received = std::make_shared<QByteArray>();
        auto done = std::make_shared<bool>(false);
        const auto judge = [this, socket, received, done](bool closed) {
            if (*done)
                return;
            received->append(socket->readAll());
            const TOpenRequestState state = JudgeOpenRequest(*received, closed);
            if (state == TOpenRequestState::Incomplete)
                return;
            *done = true;
            if (state == TOpenRequestState::Request)
                onRequest_();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, [judge] { judge(false); });
        connect(socket, &QLocalSocket::disconnected, this, [judge] { judge(true); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->state() != QLocalSocket::ConnectedState) {
            // Gone before it was taken: what it wrote is all there is.
            judge(true);
            socket->deleteLater();
        } else if (socket->bytesAvailable() > 0) {
            judge(false);
        }
    }
}
