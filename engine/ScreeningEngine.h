#pragma once

#include "addressbook/StatusOutput.h"
#include "engine/AcceptanceRules.h"
#include "engine/AcceptedSet.h"
#include "engine/EngineState.h"
#include "engine/EngineWindow.h"
#include "engine/ErrorDetail.h"
#include "engine/HeaderCollector.h"
#include "engine/HeaderValues.h"
#include "engine/PendingReplies.h"
#include "engine/ReplyLedger.h"
#include "engine/ReplyQueueFile.h"
#include "engine/ReplyRefusal.h"
#include "engine/TrayTip.h"
#include "history/DecisionHistory.h"
#include "history/HistoryDatabase.h"
#include "history/LearnedSenders.h"
#include "history/QuarantineStore.h"
#include "net/TPop3Cli.h"
#include "net/TSmtpCli.h"
#include "settings/Account.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QEventLoop;
class QTimer;

namespace sievra {

class EngineWindow;
class HistoryDatabase;
class SettingsStore;

// Screens the accounts: one pass fetches every header of each active account, deletes what
// the rules reject, and mails the senders of deleted messages the account's hints. It owns
// the two mail clients and runs on the UI thread; while it waits for a server it runs a local
// event loop, so the window stays alive and Abort works.
class ScreeningEngine : public QObject, public StatusOutput {
    Q_OBJECT

public:
    ScreeningEngine(EngineWindow& window, SettingsStore* store, QObject* parent = nullptr);
    ~ScreeningEngine() override;

    // The GO action: password check, connection test where needed, then one pass (manual
    // mode) or the start of automatic mode. Returns false when it could not start.
    bool StartScreening();
    // One screening pass over all active accounts.
    void RunPass();
    // Ends the pass in progress (the Abort button).
    void Abort();
    // The user launched the mail client: nothing is waiting for them any more.
    void MailClientLaunched() { counters_.WaitingCount = 0; }

    // StatusOutput: the one way the engine writes to the status panel.
    void WriteStatus(const QString& text, bool labelOnly, bool showBar) override;

    const EngineState& State() const { return state_; }
    const EngineCounters& Counters() const { return counters_; }
    // A pass or a connection test runs: Abort ends it.
    bool PassRunning() const { return passRunning_; }
    // True when the last pass wrote an error line (for sievra-pass's exit status).
    bool LastPassHadErrors() const { return lastPassHadErrors_; }
    // True when the last pass left an account alone because another program was screening it.
    bool LastPassSkipped() const { return lastPassSkipped_; }
    TPop3Cli& Pop3Client() { return pop3_; }
    TSmtpCli& SmtpClient() { return smtp_; }
    ReplyQueueFile& Queue() { return queue_; }
    // The senders of the last load, and what each source gave.
    const AcceptedSet& Accepted() const { return accepted_; }
    // Reads the window's sources now, without status lines: the counts the settings show,
    // and a first pass that finds them read already.
    void RefreshContacts();
    // The senders the accounts learned from code words, in history.db (opened on first use);
    // null when that file cannot be used, and HistoryProblem() says why.
    LearnedSenders* Learned();
    const QString& HistoryProblem() const { return historyProblem_; }
    // Tests make the days pass for the learned senders; before the first use of Learned().
    void SetClock(LearnedSenders::Clock clock) { clock_ = std::move(clock); }

    // Sends the kept copy of history entry `id` back to its account's own address through the
    // account's SMTP server: unchanged, under Resent- fields and the restore token, so later
    // passes keep it without allowing its sender. The status panel gets the session's lines;
    // the outcome carries the one result line.
    struct RestoreOutcome {
        enum Kind { Restored, NoSuchEntry, Refused } Result = Refused;
        QString Line;
    };
    RestoreOutcome RestoreMessage(qint64 id);

    // Where the pass keeps its record and copies (tests and benchmarks point them elsewhere).
    void SetHistoryPath(const QString& path) { historyPath_ = path; }
    void SetQuarantineFolder(const QString& folder) { quarantine_ = QuarantineStore(folder); }

private:
    // Requests and waiting. Each request names the client and request type whose completion
    // it waits for; a completion of another (one that timed out or was aborted earlier and
    // ends late) must not end the wait of the request after it.
    enum class Client { Pop3, Smtp };
    struct Awaited {
        Client From = Client::Pop3;
        int Type = -1;
    };
    // What ends the wait: the request's own completion, or (the SMTP connect) the session.
    enum class Until { Completion, SmtpSession };
    // Issues one request and waits; the outcome is in state_.
    void Request(const QString& words, Client client, int type, const std::function<void()>& issue,
                 Until until = Until::Completion);
    void PopRequest(const QString& words, TPop3Request type, const std::function<void()>& issue) {
        Request(words, Client::Pop3, type, issue);
    }
    void SmtpRequestOf(const QString& words, SmtpRequest type, const std::function<void()>& issue) {
        Request(words, Client::Smtp, static_cast<int>(type), issue);
    }
    // A request whose failure needs nothing but its error lines: waits, reports a failure,
    // and returns whether the request succeeded.
    bool PopStep(const QString& words, TPop3Request type, const std::function<void()>& issue) {
        PopRequest(words, type, issue);
        return Succeeded();
    }
    bool SmtpStep(const QString& words, SmtpRequest type, const std::function<void()>& issue) {
        SmtpRequestOf(words, type, issue);
        return Succeeded();
    }
    bool Succeeded();
    void DropStaleCompletions();
    void NoteException(const QString& message);
    void AwaitUntil(const std::function<bool()>& done);
    int WaitMilliseconds() const;
    void ExtendWait();
    void CheckWait();
    void ReportError();
    void OfferCertificate(const Account& account, CertificateServer server,
                          const QSslCertificate& certificate);
    void Log(const QString& text) { WriteStatus(text, false, false); }
    void Complain(const QString& text);
    void SetTimeout(int seconds);
    void StartSessionBound();
    void EndSessionBound() { sessionBound_ = QDeadlineTimer(QDeadlineTimer::Forever); }

    // Client events.
    void ConnectClients();
    void Pop3SessionConnected(quint16 error);
    void Pop3SessionClosed(quint16 error);
    void Pop3RequestDone(TPop3Request type, quint16 error);
    void Pop3MessageLine();
    void SmtpSessionConnected(quint16 error);
    void SmtpSessionClosed(quint16 error);
    void SmtpRequestDone(SmtpRequest type, quint16 error);
    void NoteClientError(quint16 error, const QString& text, const QString& reply = QString());
    // The account and server the next error lines name.
    void BeginSession(const Account& account, const QString& host, const QString& port);

    // Sessions.
    bool OpenPop3Session(Account& account);
    bool OpenSmtpSession(Account& account);
    void UpgradeToStartTls(Account& account, bool pop3);
    bool AuthStep(const QString& words, SmtpRequest type, int acceptedCode,
                  const std::function<void()>& issue);
    void KeepMessagesOnServer();
    void QuitPop3();
    void QuitSmtp();

    // The pass.
    bool LoadBook();
    void BeginPass();
    bool ScreenAccount(Account& account);
    void SkipLockedAccount(const Account& account, const QString& lockError);
    int ScreenedCount(int count);
    void ScreenMessages(const Account& account, int count);
    bool FetchUniqueIds();
    void ChooseMessages(const Account& account, int count);
    void FetchHeaders();
    void FetchHeadersPipelined();
    void TakeHeader(int position);
    QList<int> DecideMessages(const Account& account);
    // Learned senders (EngineLearning.cpp).
    void ForgetUnseenSenders();
    bool LoadLearned(const Account& account);
    void NoteAcceptance(const Account& account, Verdict verdict, qsizetype i);
    void LearnSender(const Account& account, qsizetype i);

    bool QueueReply(const Account& account, qsizetype i);
    QString RejectReason(qsizetype i) const;
    QString ReplyGuard(const Account& account, qsizetype i) const;
    void NoteForgedContact(qsizetype i);
    QStringList OwnAddresses() const;

    // The record and the copies (EngineHistory.cpp, EngineQuarantine.cpp).
    struct MessageNote {
        QString Date;
        QString MessageId;
        QString Token;
        QString Header;
    };
    struct MessageCopy {
        CopyKind Kind = CopyKind::None;
        QString Path;
    };
    void OpenHistory();
    void HistoryFailed(const HistoryError& error);
    void NoteHeader(const QStringList& lines);
    bool RestoredByUs(int i) const;
    QString KeepReason(int i) const;
    void Record(const Account& account, int i, Decision decision, const QString& reason) {
        Record(account, i, decision, reason, MessageCopy{CopyKind::None, QString()});
    }
    void Record(const Account& account, int i, Decision decision, const QString& reason,
                const MessageCopy& copy);
    void WriteRecords();
    void RecordReply(const Account& account, const QString& address, const QString& outcome);
    bool CopyBeforeDelete(const Account& account, int i, MessageCopy& copy);

    // The DELE step over positions of toScreen_ (EnginePass.cpp, PipelinedPass.cpp).
    using MessageCopies = QHash<int, MessageCopy>;
    bool CopyRejected(const Account& account, QList<int>& rejected, MessageCopies& copies);
    void DeleteMessages(const Account& account, QList<int> rejected);
    void DeleteMessagesPipelined(const Account& account, const QList<int>& rejected,
                                 const MessageCopies& copies);
    void Deleted(const Account& account, int position, const MessageCopy& copy);
    void NotDeleted(const Account& account, const QList<int>& positions,
                    const MessageCopies& copies);
    void Pop3Answered(int position);
    void DropBrokenPipeline();

    // The kept-message cache.
    QByteArray KeptRulesFingerprint(const Account& account) const;
    QSet<QString> LoadKept(const Account& account);
    void NoteKept(int position);
    void RememberKept(const Account& account);
    void FinishPass();
    void Notify();
    void EnableAccountControls();
    void UpdateTrayTip(TrayTipMode mode);

    // Restore (EngineRestore.cpp).
    QString RestoreKeyForSending(QString& problem);
    bool SendRestored(Account& account, const QByteArray& message);

    // Replies.
    void RunReplyPhase(Account& account);
    bool BackUpReplies(const Account& account);
    bool LoadLedger();
    QList<int> PlanReplies(const Account& account, const QStringList& addresses);
    void SendReplies(const Account& account, const QList<int>& plan);
    bool CanAddress(const QString& address) const;
    void SetReplyRecipient(const QString& address);
    void OfferNextReply(bool* follows);
    void RecordReplies();
    bool TakeRefusal(int index, const QString& address);
    void DropReply(int index, const QString& address, const QString& reason);
    void ForgetServedReplies(const Account& account);
    static void ForgetServed(IniDocument& doc, const QString& section,
                             const QList<QPair<int, QString>>& served);
    void SetReplyFields(const Account& account);
    QStringList BuildReplyBody(const Account& account) const;

    // Start of screening.
    bool CheckPasswords();
    bool TestNeeded();
    bool RunConnectionTest();
    bool CheckReplyPath(const Account& account);
    void StoreTestedFlags(const Account& account);

    EngineWindow& window_;
    // The window's inputs as they were when this GO or pass began.
    PassOptions options_;
    SettingsStore* store_;
    TPop3Cli pop3_;
    TSmtpCli smtp_;
    ReplyQueueFile queue_;
    EngineState state_;
    EngineCounters counters_;

    AcceptedSet accepted_;
    // What each source gave, shown above the results line.
    QStringList sourceLines_;
    // The numbers of the messages whose headers this account turn fetches; position k of
    // lists_ belongs to toScreen_[k].
    QList<int> toScreen_;
    // Ids of this turn's kept messages, for the cache.
    QSet<QString> keptIds_;
    // What OnAnswered of a pipelined request does with each answer.
    std::function<void(int)> onAnswered_;
    // A pipelined request failed with answers perhaps still on their way.
    bool pipelineBroken_ = false;
    MessageLists lists_;
    QStringList codeWords_;
    QStringList replyBody_;
    PendingReplies pending_;
    HeaderCollector collector_;
    // The learned senders on a connection of their own: the window reads them between passes.
    std::unique_ptr<HistoryDatabase> learnedDb_;
    std::unique_ptr<LearnedSenders> learned_;
    LearnedSenders::Clock clock_;
    // The learned senders of the account being screened; empty while it learns none.
    AddressIndex learnedIndex_;
    QStringList learnedAddresses_; // the same, for the kept-message fingerprint
    QString historyProblem_;
    QList<MessageNote> notes_;
    // This turn's decisions by position, written together in message order.
    QMap<int, DecisionRecord> heldRecords_;
    QString historyPath_ = HistoryDatabase::DefaultPath();
    QString madeRestoreKey_; // stored by the first restore; the window's settings lag behind
    std::unique_ptr<HistoryDatabase> historyDb_;
    std::unique_ptr<DecisionHistory> history_;
    QuarantineStore quarantine_;
    AddressIndex allowedIndex_;
    // Where RETR puts the lines of the message being copied; null while headers are read.
    QByteArray* copyBytes_ = nullptr;
    bool copyLineCut_ = false;
    bool queuedNow_ = false;
    // The account whose replies go out now, for the record of each.
    const Account* replyAccount_ = nullptr;
    // The replies going out now, and the position in them of the one being sent; the next
    // one may follow it on the wire.
    QList<int> replyPlan_;
    QStringList replyAddresses_;
    int replyAt_ = -1;
    // Positions of the messages whose header went past the client's bounds; undecidable, so
    // they stay on the server.
    QSet<int> cutHeaders_;
    // This account turn's successful deletions, and the new addresses they queued.
    int accountDeleted_ = 0;
    int accountQueued_ = 0;
    // The Message-ID of the first deleted message of each queued address (case-folded), for
    // the reply's In-Reply-To; addresses restored from the queue have none.
    QHash<QString, QString> repliedMessageIds_;
    // The user's own addresses, which are never sent a reply.
    QStringList ownAddresses_;
    // The lines the reply going out now carries after its header block.
    QStringList replyMarks_;
    std::optional<ReplyLedger> ledger_;
    QStringList replied_; // sent since the ledger was last written
    int repliesThisPass_ = 0;
    // Why the message being recorded gets no reply, for its history entry.
    QString replyNote_;

    static constexpr qint64 ServedFlushMs = 250;
    QList<QPair<int, QString>> served_;
    DeferralCounts deferrals_;
    bool deferralsChanged_ = false;
    QString lastRefusal_;
    int sameRefusals_ = 0;
    QElapsedTimer sinceFlush_;
    Awaited awaited_;
    QEventLoop* waitLoop_ = nullptr;
    QTimer* waitTimer_ = nullptr;
    std::function<bool()> waitDone_;
    // The whole of one session may last this many request time-outs, so a server that drips
    // data just fast enough for each request cannot hold a pass for ever.
    static constexpr int SessionTimeouts = 20;
    QDeadlineTimer sessionBound_{QDeadlineTimer::Forever};
    bool queueWritable_ = true;
    bool passRunning_ = false;
    ErrorCause cause_ = ErrorCause::Client;
    QString errorReply_;
    ErrorFacts session_;
    bool lastPassHadErrors_ = false;
    bool lastPassSkipped_ = false;
};

} // namespace sievra
