#include "TrayTip.h"

namespace sievra {

namespace {

const QString Separator = QStringLiteral("\r");

QString Counted(int count, const QString& singular, const QString& rest) {
    return QString::number(count) + singular + (count == 1 ? QString() : QStringLiteral("s")) +
           rest;
}

} // namespace

QString ComposeTrayTip(TrayTipMode mode, const TrayCounts& counts) {
    QString tip =
        (counts.Preview ? QStringLiteral("Sievra (preview only)") : QStringLiteral("Sievra")) +
        Separator;
    switch (mode) {
    case TrayTipMode::Waiting:
        tip += QStringLiteral("Waiting to run...");
        break;
    case TrayTipMode::Checking:
        tip += QStringLiteral("Checking...");
        break;
    case TrayTipMode::Results:
        tip +=
            Counted(counts.WaitingCount, QStringLiteral(" Message"), QStringLiteral(" Waiting")) +
            Separator +
            (counts.Preview
                 ? QString::number(counts.WouldDeleteCount) + QStringLiteral(" would be deleted")
                 : Counted(counts.DeletedTotal, QStringLiteral(" Spam"),
                           QStringLiteral(" deleted"))) +
            Separator + Counted(counts.ErrorCount, QStringLiteral(" Error"), QString());
        break;
    }
    return tip.left(TrayTipLimit);
}

} // namespace sievra
