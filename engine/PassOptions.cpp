#include "PassOptions.h"

namespace sievra {

PassOptions PassOptions::FromGlobals(const GlobalSettings& globals) {
    PassOptions options;
    options.WabFile = globals.WabFile;
    options.AddressBooks = globals.AddressBooks;
    options.AllowedSenders = globals.AllowedSenders;
    options.ReplySubject = globals.Subject;
    options.ReplyHeaderLines = globals.HeaderLines;
    options.ReplyFooterLines = globals.FooterLines;
    options.AutoMode = globals.AutoRun;
    options.IntervalMinutes = globals.Interval;
    options.BeepOn = globals.Beep;
    options.VisualAlertOn = globals.VisualAlert;
    options.MaxMessagesPerPass = globals.MaxMessagesPerPass;
    options.PreviewOnly = globals.PreviewOnly;
    options.HistoryDays = globals.HistoryDays;
    options.QuarantineDays = globals.QuarantineDays;
    options.QuarantineSizeLimit = globals.QuarantineSizeLimit;
    options.RestoreKey = globals.RestoreKey;
    options.LearnedSenderDays = globals.LearnedSenderDays;
    options.ReplyIntervalDays = globals.ReplyIntervalDays;
    options.RepliesPerPass = globals.RepliesPerPass;
    return options;
}

} // namespace sievra
