#include "Pop3Events.h"

#include <gtest/gtest.h>

namespace sievra::test {

Pop3Events::Pop3Events(TCustomPop3Cli& client)
    : RequestRecorder(client,
                      {QStringLiteral("RequestDone %1 %2"), QStringLiteral("SessionConnected %1"),
                       QStringLiteral("SessionClosed %1"), QString()}) {
    using C = TCustomPop3Cli;
    connect(&client, &C::OnMessageBegin, this, [this] { log.append("MessageBegin"); });
    connect(&client, &C::OnMessageLine, this,
            [this](C* sender) { log.append("MessageLine " + sender->LastResponse()); });
    connect(&client, &C::OnMessageEnd, this, [this] { log.append("MessageEnd"); });
    connect(&client, &C::OnAnswered, this,
            [this](C*, int position) { log.append(QStringLiteral("Answered %1").arg(position)); });
}

QString Pop3Events::Call(const std::function<void()>& request) {
    try {
        Issue(request);
    } catch (const ClientException& e) {
        return e.ClassName() + ": " + e.Message();
    }
    return {};
}

int Pop3Events::Run(const std::function<void()>& request, int ms) {
    const int before = done;
    const QString raised = Call(request);
    if (!raised.isEmpty()) {
        ADD_FAILURE() << "the request raised " << raised.toStdString();
        return -2;
    }
    return AwaitDone(before, ms) ? lastError : -1;
}

QStringList Pop3Events::MessageLines() const {
    QStringList lines;
    for (const QString& entry : Entries(QStringLiteral("MessageLine "))) {
        lines.append(entry.mid(12));
    }
    return lines;
}

} // namespace sievra::test
