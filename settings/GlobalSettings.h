#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// Messages of one session screened in a pass when the store names no other number.
inline constexpr int DefaultMaxMessagesPerPass = 50000;
// Days a learned sender stays learned without sending anything.
inline constexpr int DefaultLearnedSenderDays = 365;
// Days before the same sender may be sent another reply, and replies sent at most in one pass
// (a flood of spam must not get the user's SMTP account blocked for sending too much).
inline constexpr int DefaultReplyIntervalDays = 7;
inline constexpr int DefaultRepliesPerPass = 100;
// How long decisions and copies of deleted messages are kept, and the largest message kept
// whole (a larger one is kept as its header).
inline constexpr int DefaultHistoryDays = 180;
inline constexpr int DefaultQuarantineDays = 30;
inline constexpr int DefaultQuarantineSizeLimit = 1024 * 1024;

// The values held directly in the product key.
struct GlobalSettings {
    bool AutoRun = false;
    bool Beep = false;
    bool VisualAlert = false;
    int Interval = 0;
    bool AutoLoad = false;
    QString WabFile;
    QString EmailClient;
    QString Subject;
    QStringList HeaderLines;
    QStringList FooterLines;
    // Contact sources beside the "WAB File" (files or folders), and the allowed senders.
    QStringList AddressBooks;
    QStringList AllowedSenders;
    int MaxMessagesPerPass = DefaultMaxMessagesPerPass;
    int LearnedSenderDays = DefaultLearnedSenderDays;
    int ReplyIntervalDays = DefaultReplyIntervalDays;
    int RepliesPerPass = DefaultRepliesPerPass;
    // Passes decide and record, but delete nothing, send no reply and leave the queue alone.
    bool PreviewOnly = false;
    int HistoryDays = DefaultHistoryDays;
    int QuarantineDays = DefaultQuarantineDays;
    int QuarantineSizeLimit = DefaultQuarantineSizeLimit;
    // The per-installation key of restore tokens, Base64; made on first use.
    QString RestoreKey;
};

namespace GlobalValue {
inline const QString FirstTime = QStringLiteral("First Time");
inline const QString AutoRun = QStringLiteral("AutoRun");
inline const QString Beep = QStringLiteral("Beep");
inline const QString VisualAlert = QStringLiteral("Visual Alert");
inline const QString Interval = QStringLiteral("Interval");
inline const QString AutoLoad = QStringLiteral("AutoLoad");
inline const QString WabFile = QStringLiteral("WAB File");
inline const QString EmailClient = QStringLiteral("EMail Client");
inline const QString Subject = QStringLiteral("Subject");
inline const QString LastId = QStringLiteral("LastID");
inline const QString MaxMessagesPerPass = QStringLiteral("Max Messages Per Pass");
inline const QString LearnedSenderDays = QStringLiteral("Learned Sender Days");
inline const QString ReplyIntervalDays = QStringLiteral("Reply Interval Days");
inline const QString RepliesPerPass = QStringLiteral("Replies Per Pass");
inline const QString PreviewOnly = QStringLiteral("Preview Only");
inline const QString HistoryDays = QStringLiteral("History Days");
inline const QString QuarantineDays = QStringLiteral("Quarantine Days");
inline const QString QuarantineSizeLimit = QStringLiteral("Quarantine Size Limit");
inline const QString RestoreKey = QStringLiteral("Restore Key");
// Where the main window was left: QWidget::saveGeometry and QSplitter::saveState, Base64.
inline const QString WindowGeometry = QStringLiteral("Window Geometry");
inline const QString WindowSplitter = QStringLiteral("Window Splitter");
} // namespace GlobalValue

} // namespace sievra
