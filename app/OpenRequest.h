#pragma once
// The local socket over which other programs ask the running Morvane to open the file
// named in the settings store: a client connects and writes "0x83F0".

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

//! How far the bytes a client has written so far make a request.
enum class TOpenRequestState {
    Incomplete,  //!< a beginning of "0x83F0"; more may come
    Request,     //!< "0x83F0", with white space around it
    Refused,     //!< anything else
};

//! Judges the bytes a client has written so far; `closed` when the client has gone and
//! nothing more will come.
TOpenRequestState JudgeOpenRequest(const QByteArray& received, bool closed);

//! Listens for open requests and calls `onRequest` once for each client that writes one,
//! however the request is cut into pieces on its way.
class TOpenRequestServer : public QObject {
public:
    TOpenRequestServer(QObject* parent, std::function<void()> onRequest);

    //! Starts listening under `name`. A socket of that name that accepts a connection
    //! belongs to a running program and is left alone (false: this one does not listen);
    //! one that refuses connections was left by a run that ended abnormally and is removed.
    bool Listen(const QString& name);
    bool IsListening() const;

private:
    void Accept();

    QLocalServer* server_;
    std::function<void()> onRequest_;
};
