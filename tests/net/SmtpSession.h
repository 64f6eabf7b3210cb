#pragma once

#include "net/TSmtpCli.h"
#include "tests/support/RequestRecorder.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace sievra::test {

// Declared before the recorder, so the client exists when the recorder connects to it.
struct SmtpClientHolder {
    TSmtpCli client;
};

// A TSmtpCli with the shared recorder: "Done <type> <error>", "Connected <error>",
// "Closed <error>" and "Response <line>" in `events`, the OnDisplay texts in `display`.
class SmtpSession : public SmtpClientHolder,
                    public RequestRecorder<TCustomSmtpClient, SmtpRequest> {
public:
    SmtpSession()
        : RequestRecorder(client, {QStringLiteral("Done %1 %2"), QStringLiteral("Connected %1"),
                                   QStringLiteral("Closed %1"), QStringLiteral("Response ")}) {}

    // Starts a request and waits for its OnRequestDone; the error, or nothing on a time-out.
    // What the request raises goes on to the caller.
    std::optional<quint16> Run(const std::function<void()>& request, int ms = 10000) {
        const int before = done;
        Issue(request);
        if (!AwaitDone(before, ms)) {
            return std::nullopt;
        }
        return static_cast<quint16>(lastError);
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

    QStringList& events = log;
    QStringList& display = displays;
};

} // namespace sievra::test
