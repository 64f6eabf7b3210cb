#pragma once

#include "tests/support/WaitFor.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace sievra::test {

// Records a mail client's events in the order they come and issues its requests the way the
// screening engine does: one at a time, each awaited through the event loop. Both clients'
// tests use it; each names the entries of `log` in its own words (a "%1 %2" text for the
// request type and error, "%1" texts for the session's error, a prefix for each response line,
// empty to leave responses out of the log).
template <typename Client, typename Request> class RequestRecorder : public QObject {
public:
    struct Names {
        QString done;
        QString connected;
        QString closed;
        QString response;
    };

    RequestRecorder(Client& client, Names names)
        : names_(std::move(names)) {
        connect(&client, &Client::OnRequestDone, this,
                [this](Client*, Request type, quint16 error) {
                    log.append(names_.done.arg(static_cast<int>(type)).arg(error));
                    ++done;
                    lastType = type;
                    lastError = error;
                    doneInsideCall += insideCall_ ? 1 : 0;
                });
        connect(&client, &Client::OnSessionConnected, this,
                [this](Client*, quint16 error) { log.append(names_.connected.arg(error)); });
        connect(&client, &Client::OnSessionClosed, this,
                [this](Client*, quint16 error) { log.append(names_.closed.arg(error)); });
        connect(&client, &Client::OnResponse, this, [this](Client*, const QString& line) {
            responses.append(line);
            if (!names_.response.isEmpty()) {
                log.append(names_.response + line);
            }
        });
        connect(&client, &Client::OnDisplay, this,
                [this](Client*, const QString& line) { displays.append(line); });
    }

    QStringList log;
    QStringList displays;  // OnDisplay texts
    QStringList responses; // OnResponse texts
    int done = 0;
    Request lastType{};
    int lastError = -1;
    // Completions delivered inside the call that issued a request: never allowed.
    int doneInsideCall = 0;

    // Issues a request as the caller's own call; what it raises goes on to the caller.
    void Issue(const std::function<void()>& request) {
        insideCall_ = true;
        try {
            request();
        } catch (...) {
            insideCall_ = false;
            throw;
        }
        insideCall_ = false;
    }
    // Runs the event loop until more than `before` requests have completed; false after `ms`.
    bool AwaitDone(int before, int ms) {
        return WaitFor([&] { return done > before; }, ms);
    }
    // The log entries that start with `prefix`.
    QStringList Entries(const QString& prefix) const {
        QStringList found;
        for (const QString& entry : log) {
            if (entry.startsWith(prefix)) {
                found.append(entry);
            }
        }
        return found;
    }

private:
    Names names_;
    bool insideCall_ = false;
};

} // namespace sievra::test
