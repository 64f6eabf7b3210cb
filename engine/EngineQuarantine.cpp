// The copy of a message kept before its deletion. It is a step of its own that runs before
// the message's DELE and can veto it: a message whose copy is not safely on disk stays on
// the server.
#include "ScreeningEngine.h"

#include <limits>

namespace sievra {

namespace {

QString CopyErrorLine(int number, const QString& reason) {
    return QStringLiteral("<font color=\"clRed\"><B>Error: Message %1 not deleted: %2</B>")
        .arg(number)
        .arg(reason.toHtmlEscaped());
}

} // namespace

// Downloads message i (its header alone when LIST says it is over the size limit) and stores
// it in the account's quarantine. False when the message must stay on the server: the error
// line is out, and a failed request has left the error state for the caller.
bool ScreeningEngine::CopyBeforeDelete(const Account& account, int i, MessageCopy& copy) {
    const int number = toScreen_.at(i);
    pop3_.SetMsgNum(number);
    PopRequest(QStringLiteral("sizing a message"), pop3List, [this] { pop3_.List(); });
    if (state_.ErrorFlag) {
        return false;
    }
    const qint64 size = pop3_.ListSize();
    const bool whole = size <= options_.QuarantineSizeLimit;
    QByteArray bytes;
    if (!whole) {
        bytes = QStringLiteral("X-Sievra-Copy: header only; the message had %1 bytes\n")
                    .arg(size)
                    .toLatin1();
    }
    // Room for the whole of what LIST announced: a message that grows past it is not the one
    // that was sized, and is not deleted on a partial copy.
    const int oldLines = pop3_.MaxMessageLines();
    const qint64 oldBytes = pop3_.MaxMessageBytes();
    pop3_.SetMaxMessageLines(std::numeric_limits<int>::max());
    pop3_.SetMaxMessageBytes(whole ? size + size / 16 + 4096 : oldBytes);
    copyBytes_ = &bytes;
    copyLineCut_ = false;
    WriteStatus(QStringLiteral("Keeping a copy of message %1").arg(number), true, true);
    if (whole) {
        PopRequest(QStringLiteral("retrieving a message"), pop3Retr, [this] { pop3_.Retr(); });
    } else {
        pop3_.SetMsgLines(0);
        PopRequest(QStringLiteral("retrieving a header"), pop3Top, [this] { pop3_.Top(); });
    }
    copyBytes_ = nullptr;
    const bool cut = pop3_.MessageCut();
    pop3_.SetMaxMessageLines(oldLines);
    pop3_.SetMaxMessageBytes(oldBytes);
    if (state_.ErrorFlag) {
        return false;
    }
    if (cut) {
        Complain(CopyErrorLine(number, QStringLiteral("it is larger than the server said")));
        return false;
    }
    if (copyLineCut_) {
        Complain(CopyErrorLine(number, QStringLiteral("it has a line too long to copy whole")));
        return false;
    }
    try {
        copy.Path = quarantine_.Store(account.KeyName, bytes);
        copy.Kind = whole ? CopyKind::Whole : CopyKind::HeaderOnly;
    } catch (const HistoryError& error) {
        Complain(CopyErrorLine(number, error.Message()));
        return false;
    }
    return true;
}

} // namespace sievra
