#pragma once

#include "engine/HeaderValues.h"
#include "settings/GlobalSettings.h"

#include <QString>
#include <QStringList>

namespace sievra {

// What one pass screens against and how it notifies, read from the window once when GO or a
// pass starts, so a field edited while the pass runs cannot change it halfway.
//
// Adding an input: a field here with its default, then
// - a value of the product key: one line in FromGlobals (sievra-pass and the main window's
//   values without a control of their own come through it);
// - a control of the main window: one line in TfrmMain::ReadPassOptions;
// - a switch of sievra-pass: one line in ConsoleWindow::ReadPassOptions.
// The engine reads it as options_.Field; test windows hold a PassOptions and need nothing.
struct PassOptions {
    // The contact sources: the WAB file, the books beside it, and the allowed senders
    // (addresses and the domain forms "@example.org" and "*.example.org").
    QString WabFile;
    QStringList AddressBooks;
    QStringList AllowedSenders;
    QString ReplySubject;
    QStringList ReplyHeaderLines;
    QStringList ReplyFooterLines;
    bool AutoMode = false;
    int IntervalMinutes = 10;
    bool BeepOn = false;
    bool VisualAlertOn = false;
    // How many messages of one session a pass screens at most.
    int MaxMessagesPerPass = DefaultMaxMessagesPerPass;
    // The safety net: preview passes delete nothing, send no reply and leave the queue alone;
    // decisions and the copies of deleted messages are kept for so many days; a message over
    // the size limit is kept as its header.
    bool PreviewOnly = false;
    int HistoryDays = DefaultHistoryDays;
    int QuarantineDays = DefaultQuarantineDays;
    qint64 QuarantineSizeLimit = DefaultQuarantineSizeLimit;
    // Base64; empty: no restore token is honoured.
    QString RestoreKey;
    // How long one second of a server time-out lasts; the tests shorten it.
    int TimeoutSecondMs = 1000;
    // How the header lines become the rules' values; the benchmark compares both ways.
    HeaderReading Reading = HeaderReading::Fields;
    // Days a sender learned from a code word stays learned without writing.
    int LearnedSenderDays = DefaultLearnedSenderDays;
    // Days before the same address may be sent another reply (0: at every pass), and the
    // replies one pass sends at most.
    int ReplyIntervalDays = DefaultReplyIntervalDays;
    int RepliesPerPass = DefaultRepliesPerPass;

    // The stored product values as they are.
    static PassOptions FromGlobals(const GlobalSettings& globals);
};

} // namespace sievra
