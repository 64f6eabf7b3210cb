#include "Pop3Events.h"

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

namespace sievra::test {

Pop3Events::Pop3Events(TCustomPop3Cli& client) {
    using C = TCustomPop3Cli;
    connect(&client, &C::OnRequestDone, this, [this](C*, TPop3Request type, quint16 error) {
        log.append(QStringLiteral("RequestDone %1 %2").arg(static_cast<int>(type)).arg(error));
        ++done;
        lastError = error;
        if (insideCall_) {
            ++doneInsideCall;
        }
    });
    connect(&client, &C::OnSessionConnected, this, [this](C*, quint16 error) {
        log.append(QStringLiteral("SessionConnected %1").arg(error));
    });
    connect(&client, &C::OnSessionClosed, this, [this](C*, quint16 error) {
        log.append(QStringLiteral("SessionClosed %1").arg(error));
    });
    connect(&client, &C::OnMessageBegin, this, [this] { log.append("MessageBegin"); });
    connect(&client, &C::OnMessageLine, this,
            [this](C* sender) { log.append("MessageLine " + sender->LastResponse()); });
    connect(&client, &C::OnMessageEnd, this, [this] { log.append("MessageEnd"); });
    connect(&client, &C::OnAnswered, this,
            [this](C*, int position) { log.append(QStringLiteral("Answered %1").arg(position)); });
    connect(&client, &C::OnResponse, this,
            [this](C*, const QString& msg) { responses.append(msg); });
    connect(&client, &C::OnDisplay, this, [this](C*, const QString& msg) { displays.append(msg); });
}

QString Pop3Events::Call(const std::function<void()>& request) {
    insideCall_ = true;
    QString raised;
    try {
        request();
    } catch (const ClientException& e) {
        raised = e.ClassName() + ": " + e.Message();
    }
    insideCall_ = false;
    return raised;
}

int Pop3Events::Run(const std::function<void()>& request, int ms) {
    const int before = done;
    const QString raised = Call(request);
    if (!raised.isEmpty()) {
        ADD_FAILURE() << "the request raised " << raised.toStdString();
        return -2;
    }
    if (!WaitFor([&] { return done > before; }, ms)) {
        return -1;
    }
    return lastError;
}

QStringList Pop3Events::Entries(const QString& prefix) const {
    QStringList found;
    for (const QString& entry : log) {
        if (entry.startsWith(prefix)) {
            found.append(entry);
        }
    }
    return found;
}

QStringList Pop3Events::MessageLines() const {
    QStringList lines;
    for (const QString& entry : Entries(QStringLiteral("MessageLine "))) {
        lines.append(entry.mid(12));
    }
    return lines;
}

} // namespace sievra::test
