// Headers and deletions as pipelined requests (RFC 2449 PIPELINING): one request each, every
// answer handled as it arrives, so the status lines and the bar move as they always have.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"

namespace sievra {

namespace {

int Percent(int done, int total) {
    return total > 0 ? done * 100 / total : 0;
}

} // namespace

void ScreeningEngine::FetchHeadersPipelined() {
    const int total = int(toScreen_.size());
    const auto begin = [this, total](int k) {
        state_.MessageNumber = toScreen_.at(k);
        WriteStatus(QStringLiteral("Retrieving header %1 of %2").arg(k + 1).arg(total), true, true);
        state_.HeaderLines.clear();
        state_.InMessage = false;
        collector_.Begin(state_.HeaderLines);
    };
    begin(0);
    onAnswered_ = [this, total, &begin](int k) {
        TakeHeader(k);
        if (k + 1 < total) {
            begin(k + 1);
        }
    };
    pop3_.SetMsgLines(0);
    PopRequest(QStringLiteral("getting header"), pop3Top, [this] { pop3_.TopEach(toScreen_); });
    onAnswered_ = nullptr;
    state_.HeaderLines.clear();
    pipelineBroken_ = state_.ErrorFlag;
}

void ScreeningEngine::DeleteMessagesPipelined(const Account& account, const QList<int>& rejected,
                                              const MessageCopies& copies) {
    const int total = int(rejected.size());
    QList<int> numbers;
    for (const int k : rejected) {
        numbers.append(toScreen_.at(k));
    }
    WriteStatus(QStringLiteral("Deleting message %1").arg(numbers.first()), true, true);
    int acknowledged = 0;
    onAnswered_ = [&](int d) {
        acknowledged = d + 1;
        window_.SetStatusBarPosition(Percent(d + 1, total));
        if (d + 1 < total) {
            WriteStatus(QStringLiteral("Deleting message %1").arg(numbers.at(d + 1)), true, true);
        }
    };
    PopRequest(QStringLiteral("deleting a message"), pop3Dele,
               [this, &numbers] { pop3_.DeleEach(numbers); });
    onAnswered_ = nullptr;
    if (state_.ErrorFlag) {
        // No QUIT follows a broken window, so the server deletes none of them: none counts as
        // deleted, none owes a reply.
        ReportError();
        pipelineBroken_ = true;
        DropBrokenPipeline();
        NotDeleted(account, rejected, copies);
        return;
    }
    for (int d = 0; d < acknowledged; ++d) {
        Deleted(account, rejected.at(d), copies.value(rejected.at(d)));
    }
}

// Answers to the commands after a failed one may still be on their way, and a QUIT now would
// make the acknowledged deletions final: the connection goes without it.
void ScreeningEngine::DropBrokenPipeline() {
    if (!pipelineBroken_ || !pop3_.Connected()) {
        return;
    }
    Log(QStringLiteral("Closing the connection without QUIT: the server keeps every message."));
    pop3_.Abort();
}

} // namespace sievra
