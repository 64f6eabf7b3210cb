#pragma once

#include "net/TSmtpCli.h"
#include "tests/support/WaitFor.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

namespace sievra::test {

// A TSmtpCli with every event written down, driven the way the engine drives it: start a
// request, then run the event loop until its OnRequestDone.
class SmtpSession : public QObject {
public:
    SmtpSession() {
        connect(&client, &TCustomSmtpClient::OnRequestDone, this,
                [this](TCustomSmtpClient*, SmtpRequest type, quint16 error) {
                    ++done;
                    lastType = type;
                    lastError = error;
                    doneInsideCall = doneInsideCall || insideCall;
                    events.append(
                        QStringLiteral("Done %1 %2").arg(static_cast<int>(type)).arg(error));
                });
        connect(&client, &TCustomSmtpClient::OnSessionConnected, this,
                [this](TCustomSmtpClient*, quint16 error) {
                    events.append(QStringLiteral("Connected %1").arg(error));
                });
        connect(&client, &TCustomSmtpClient::OnSessionClosed, this,
                [this](TCustomSmtpClient*, quint16 error) {
                    events.append(QStringLiteral("Closed %1").arg(error));
                });
        connect(&client, &TCustomSmtpClient::OnResponse, this,
                [this](TCustomSmtpClient*, const QString& line) {
                    events.append(QStringLiteral("Response ") + line);
                });
        connect(&client, &TCustomSmtpClient::OnDisplay, this,
                [this](TCustomSmtpClient*, const QString& line) { display.append(line); });
    }

    // Starts a request and waits for its OnRequestDone; the error, or nothing on a time-out
    // or when the request raised instead.
    std::optional<quint16> Run(const std::function<void()>& request, int ms = 10000) {
        const int before = done;
        insideCall = true;
        request();
        insideCall = false;
        if (!WaitFor([&] { return done > before; }, ms)) {
            return std::nullopt;
        }
        return lastError;
    }

    std::optional<quint16> Open(quint16 port) {
        client.SetHost(QStringLiteral("127.0.0.1"));
        client.SetPort(QString::number(port));
        return Run([&] { client.Connect(); });
    }

    // The lines the client sent, as OnDisplay showed them, without the "> ".
    QStringList Sent() const {
        QStringList sent;
        for (const QString& line : display) {
            if (line.startsWith(QStringLiteral("> "))) {
                sent.append(line.mid(2));
            }
        }
        return sent;
    }

    TSmtpCli client;
    QStringList events;
    QStringList display;
    int done = 0;
    SmtpRequest lastType = SmtpRequest::Connect;
    quint16 lastError = 0;
    bool insideCall = false;
    bool doneInsideCall = false;
};

} // namespace sievra::test
