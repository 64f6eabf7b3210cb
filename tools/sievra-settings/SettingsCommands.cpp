#include "SettingsCommands.h"

#include "AccountCommands.h"
#include "settings/Account.h"
#include "settings/KnownValues.h"
#include "settings/PasswordCipher.h"
#include "settings/PasswordStorage.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "settings/TextDump.h"

#include <QFile>
#include <QHash>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace sievra {

const char* const SettingsUsage =
    "Usage: sievra-settings COMMAND [ARGUMENTS]\n"
    "View and edit Sievra's settings store ($XDG_CONFIG_HOME/sievra/settings.db).\n"
    "\n"
    "  list [KEY]                          the tree below KEY (default: all) with typed values\n"
    "  get KEY NAME                        print one value\n"
    "  set KEY NAME --text T | --int N | --flag 0|1\n"
    "                                      write a value (the key is created when needed)\n"
    "  set-password KEY NAME [--stdin]     store a password, read from standard input with\n"
    "                                      --stdin, else asked for without echo\n"
    "  set-password KEY NAME PLAIN         the same from the command line: avoid it, since the\n"
    "                                      password then shows in ps and in the shell history\n"
    "  delete KEY [NAME]                   delete a value, or a key with everything below it\n"
    "  export [KEY] [--with-passwords] [--output FILE]\n"
    "                                      write a text dump of KEY (default: all); saved\n"
    "                                      passwords are left out unless --with-passwords; a\n"
    "                                      FILE it creates is readable by you alone (mode 0600)\n"
    "  import [--replace] FILE             read a dump (FILE - for standard input); --replace\n"
    "                                      first deletes the keys the dump holds, so a backup\n"
    "                                      is restored exactly (without it, values are merged)\n"
    "  password-storage [keyring|store]    show where saved passwords live, or move every\n"
    "                                      saved password there in one step (none moves when\n"
    "                                      one fails)\n"
    "  account add OPTIONS                 add an account as the window does and print its key\n"
    "  account show ACCOUNT                print an account's values\n"
    "  account set ACCOUNT OPTIONS         change an account's values\n"
    "\n"
    "ACCOUNT is a key name (00000001), its number, or the account's name.\n"
    "Account OPTIONS (each takes a value; yes|no also reads 1|0):\n"
    "  --name TEXT                account name\n"
    "  --active yes|no            screen this account\n"
    "  --pop3 HOST[:PORT]         POP3 server (port 995 means --security tls unless given)\n"
    "  --user NAME                POP3 user name\n"
    "  --security tls|starttls|none\n"
    "                             how the POP3 connection is protected\n"
    "  --timeout SECONDS          POP3 time-out\n"
    "  --pop3-certificate SHA256  trust this server certificate although it fails\n"
    "                             verification (fingerprint in hex; \"\" removes it)\n"
    "  --smtp HOST[:PORT]         SMTP server (port 465 means --smtp-security tls)\n"
    "  --smtp-security tls|starttls|none\n"
    "  --smtp-timeout SECONDS\n"
    "  --smtp-certificate SHA256\n"
    "  --address ADDRESS          sender address of replies\n"
    "  --display-name TEXT        sender name of replies\n"
    "  --auth yes|no              the SMTP server requires a login\n"
    "  --smtp-login pop3|own      log in to SMTP with the POP3 login or its own\n"
    "  --smtp-user NAME           SMTP user name (set its password with set-password)\n"
    "  --code-word WORD           a code word; repeat for more (set replaces the list)\n"
    "  --hint TEXT                a hint; repeat for more (set replaces the list)\n"
    "  --remember yes|no          remember senders who wrote with a code word\n"
    "Changing a server, port, security, user or login makes the account's connection test\n"
    "run again, as in the window.\n"
    "\n"
    "KEY is a path such as \"\\Software\\Orlent Software\\Sievra\\00000001\", or for passwords\n"
    "an ACCOUNT; NAME is then \"POP3 Password\" or \"SMTP Password\". Names compare without\n"
    "regard to case. list, get, export, delete and account show/set never create a store.\n"
    "Exit status: 0 success, 1 key or value missing (or no settings yet), 2 usage error,\n"
    "3 store or keyring error.\n";

namespace {

using Command = int (*)(CommandContext&, const QStringList&);

int Usage(CommandContext& c, const QString& problem) {
    c.Err << "sievra-settings: " << problem << "\n" << SettingsUsage;
    return ExitUsage;
}

int MissingKey(CommandContext& c, const QString& key) {
    c.Err << "sievra-settings: no key " << key << "\n";
    return ExitMissing;
}

QString FormatValue(const StoredValue& value) {
    return value.Type == ValueType::Integer ? QStringLiteral("(int) %1").arg(value.Number)
                                            : QStringLiteral("(text) ") + QuoteText(value.Text);
}

void ListTree(CommandContext& c, const SettingsKey& key, int depth) {
    const QString indent(depth * 2, QLatin1Char(' '));
    c.Out << indent << key.Path() << "\n";
    for (const StoredValue& value : key.Values()) {
        c.Out << indent << "  " << QuoteText(value.Name) << " " << FormatValue(value) << "\n";
    }
    for (const QString& child : key.SubkeyNames()) {
        const QString base = key.Path() == QLatin1String("\\") ? QString() : key.Path();
        if (const auto sub = c.Store.OpenKey(base + QLatin1Char('\\') + child)) {
            ListTree(c, *sub, depth + 1);
        }
    }
}

int List(CommandContext& c, const QStringList& args) {
    if (args.size() > 1) {
        return Usage(c, QStringLiteral("list takes at most one key"));
    }
    const QString path = args.value(0, QStringLiteral("\\"));
    const auto key = c.Store.OpenKey(path);
    if (!key) {
        return MissingKey(c, path);
    }
    ListTree(c, *key, 0);
    return ExitOk;
}

int Get(CommandContext& c, const QStringList& args) {
    if (args.size() != 2) {
        return Usage(c, QStringLiteral("get needs KEY and NAME"));
    }
    const auto key = c.Store.OpenKey(args[0]);
    if (!key) {
        return MissingKey(c, args[0]);
    }
    const auto value = key->Read(args[1]);
    if (!value) {
        c.Err << "sievra-settings: no value \"" << args[1] << "\" in " << key->Path() << "\n";
        return ExitMissing;
    }
    if (value->Type == ValueType::Integer) {
        c.Out << value->Number << "\n";
    } else {
        c.Out << value->Text << "\n";
    }
    return ExitOk;
}

std::optional<StoredValue> ParseSetValue(const QString& name, const QString& kind,
                                         const QString& text) {
    StoredValue value{name, ValueType::Text, QString(), 0};
    bool ok = true;
    if (kind == QLatin1String("--text")) {
        value.Text = text;
    } else if (kind == QLatin1String("--int")) {
        value.Type = ValueType::Integer;
        value.Number = text.toInt(&ok);
    } else if (kind == QLatin1String("--flag") &&
               (text == QLatin1String("0") || text == QLatin1String("1"))) {
        value.Type = ValueType::Integer;
        value.Number = text.toInt();
    } else {
        ok = false;
    }
    return ok ? std::optional(value) : std::nullopt;
}

int Set(CommandContext& c, const QStringList& args) {
    if (args.size() != 4) {
        return Usage(c, QStringLiteral("set needs KEY NAME --text T | --int N | --flag 0|1"));
    }
    const auto value = ParseSetValue(args[1], args[2], args[3]);
    if (!value) {
        return Usage(c, QStringLiteral("bad value: %1 %2").arg(args[2], args[3]));
    }
    // A known value of the wrong type would read as missing, and the pass then fail far from
    // the cause.
    const QString problem = StoredTypeProblem(args[0], value->Name, value->Type);
    if (!problem.isEmpty()) {
        c.Err << "sievra-settings: " << problem << "\n";
        return ExitUsage;
    }
    c.Store.OpenKey(args[0], true)->Write(*value);
    return ExitOk;
}

// A password typed at the terminal without echo, or one line of standard input.
QString ReadPassword(CommandContext& c, bool prompt) {
    const bool terminal = prompt && isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal) {
        c.Err << "Password: " << Qt::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        c.Err << "\n";
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return QString::fromStdString(line);
}

// An account's POP3 or SMTP password goes where the password storage says, as in the window;
// any other value gets the protected form.
int StorePassword(CommandContext& c, const QString& keyArg, const QString& name,
                  const QString& plain) {
    const bool pop3 = name.compare(AccountValue::Pop3Password, Qt::CaseInsensitive) == 0;
    const bool smtp = name.compare(AccountValue::SmtpPassword, Qt::CaseInsensitive) == 0;
    std::optional<QString> account;
    if (pop3 || smtp) {
        const QString last = keyArg.section(QLatin1Char('\\'), -1);
        const bool underProduct =
            !keyArg.contains(QLatin1Char('\\')) ||
            c.Store.SplitPath(keyArg) == c.Store.SplitPath(AccountKeyPath(last));
        account = underProduct ? FindAccountKey(c.Store, last) : std::nullopt;
    }
    if (!account && !keyArg.contains(QLatin1Char('\\'))) {
        // A mistyped account name must not become a key of its own.
        c.Err << "sievra-settings: no single account \"" << keyArg << "\"\n";
        return ExitMissing;
    }
    if (!account) {
        c.Store.OpenKey(keyArg, true)->WriteText(name, EncodePassword(plain));
        return ExitOk;
    }
    auto key = c.Store.OpenKey(AccountKeyPath(*account));
    c.Store.InTransaction([&] {
        SavePassword(c.Store, *key, pop3 ? PasswordKind::Pop3 : PasswordKind::Smtp, plain);
        key->WriteFlag(pop3 ? AccountValue::SavePop3Password : AccountValue::SaveSmtpPassword,
                       true);
        key->WriteFlag(pop3 ? AccountValue::Pop3Tested : AccountValue::SmtpTested, false);
    });
    return ExitOk;
}

int SetPassword(CommandContext& c, const QStringList& given) {
    QStringList args = given;
    const bool fromStdin = args.removeAll(QStringLiteral("--stdin")) > 0;
    if (args.size() < 2 || args.size() > 3 || (fromStdin && args.size() == 3)) {
        return Usage(c, QStringLiteral("set-password needs KEY NAME [--stdin]"));
    }
    const QString plain = args.size() == 3 ? args[2] : ReadPassword(c, !fromStdin);
    if (plain.isEmpty()) {
        return Usage(c, QStringLiteral("the password is empty; delete removes a password"));
    }
    return StorePassword(c, args[0], args[1], plain);
}

int Delete(CommandContext& c, const QStringList& args) {
    if (args.isEmpty() || args.size() > 2) {
        return Usage(c, QStringLiteral("delete needs KEY [NAME]"));
    }
    if (args.size() == 1) {
        return c.Store.DeleteKey(args[0]) ? ExitOk : MissingKey(c, args[0]);
    }
    auto key = c.Store.OpenKey(args[0]);
    if (!key) {
        return MissingKey(c, args[0]);
    }
    if (!key->DeleteValue(args[1])) {
        c.Err << "sievra-settings: no value \"" << args[1] << "\" in " << key->Path() << "\n";
        return ExitMissing;
    }
    return ExitOk;
}

int Export(CommandContext& c, const QStringList& given) {
    QStringList args = given;
    const bool withPasswords = args.removeAll(QStringLiteral("--with-passwords")) > 0;
    QString output;
    const qsizetype at = args.indexOf(QStringLiteral("--output"));
    if (at >= 0) {
        output = args.value(at + 1);
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
        if (output.isEmpty()) {
            return Usage(c, QStringLiteral("--output needs FILE"));
        }
    }
    if (args.size() > 1) {
        return Usage(c, QStringLiteral("export takes at most one key"));
    }
    const QString path = args.value(0, QStringLiteral("\\"));
    if (!c.Store.KeyExists(path)) {
        return MissingKey(c, path);
    }
    const DumpFilter filter = withPasswords ? DumpFilter::Everything : DumpFilter::NoPasswords;
    if (output.isEmpty()) {
        ExportKey(c.Store, path, c.Out, filter);
        return ExitOk;
    }
    // Owner-only from the first byte: the dump holds addresses, and maybe passwords.
    QFile file(output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        c.Err << "sievra-settings: cannot write " << output << ": " << file.errorString() << "\n";
        return ExitStoreError;
    }
    QTextStream out(&file);
    ExportKey(c.Store, path, out, filter);
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush()) {
        c.Err << "sievra-settings: cannot write " << output << ": " << file.errorString() << "\n";
        return ExitStoreError;
    }
    return ExitOk;
}

int Import(CommandContext& c, const QStringList& given) {
    QStringList args = given;
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    if (args.size() != 1) {
        return Usage(c, QStringLiteral("import needs [--replace] FILE"));
    }
    QFile file(args[0]);
    const bool opened = args[0] == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                      : file.open(QIODevice::ReadOnly);
    if (!opened) {
        c.Err << "sievra-settings: cannot read " << args[0] << ": " << file.errorString() << "\n";
        return ExitMissing;
    }
    QTextStream in(&file);
    try {
        ImportDump(c.Store, in, replace ? ImportMode::Replace : ImportMode::Merge);
    } catch (const StoreError& error) {
        c.Err << "sievra-settings: " << args[0] << ": " << error.Message() << "\n";
        return ExitUsage;
    }
    return ExitOk;
}

int PasswordStorage(CommandContext& c, const QStringList& args) {
    if (args.isEmpty()) {
        c.Out << PasswordPlaceName(ChosenPasswordPlace(c.Store)) << "\n";
        return ExitOk;
    }
    const QString wanted = args[0].toLower();
    if (args.size() != 1 ||
        (wanted != QLatin1String("keyring") && wanted != QLatin1String("store"))) {
        return Usage(c, QStringLiteral("password-storage takes keyring or store"));
    }
    const PasswordPlace target =
        wanted == QLatin1String("keyring") ? PasswordPlace::Keyring : PasswordPlace::Store;
    const MoveResult moved = MovePasswords(c.Store, target);
    if (!moved.Ok) {
        c.Err << "sievra-settings: no password moved: " << moved.Error << "\n";
        return ExitStoreError;
    }
    c.Out << "Moved " << moved.Moved << " password(s); they now live in "
          << PasswordPlaceName(target).toLower() << ".\n";
    if (!moved.Warning.isEmpty()) {
        c.Err << "sievra-settings: " << moved.Warning << "\n";
    }
    return ExitOk;
}

} // namespace

bool CommandOnlyChanges(const QStringList& args) {
    const QString command = args.value(0);
    const QString sub = args.value(1);
    return command == QLatin1String("list") || command == QLatin1String("get") ||
           command == QLatin1String("export") || command == QLatin1String("delete") ||
           (command == QLatin1String("account") && sub != QLatin1String("add")) ||
           (command == QLatin1String("password-storage") && args.size() == 1);
}

int RunSettingsCommand(CommandContext& context, const QStringList& args) {
    static const QHash<QString, Command> commands = {
        {QStringLiteral("list"), List},
        {QStringLiteral("get"), Get},
        {QStringLiteral("set"), Set},
        {QStringLiteral("set-password"), SetPassword},
        {QStringLiteral("delete"), Delete},
        {QStringLiteral("export"), Export},
        {QStringLiteral("import"), Import},
        {QStringLiteral("account"), AccountCommand},
        {QStringLiteral("password-storage"), PasswordStorage},
    };
    if (args.isEmpty()) {
        return Usage(context, QStringLiteral("no command"));
    }
    const auto command = commands.constFind(args[0]);
    if (command == commands.cend()) {
        return Usage(context, QStringLiteral("unknown command %1").arg(args[0]));
    }
    return (*command)(context, args.mid(1));
}

} // namespace sievra
