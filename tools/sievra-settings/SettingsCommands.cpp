#include "SettingsCommands.h"

#include "settings/PasswordCipher.h"
#include "settings/SettingsStore.h"
#include "settings/TextDump.h"

#include <QFile>
#include <QHash>

namespace sievra {

const char* const SettingsUsage =
    "Usage: sievra-settings COMMAND [ARGUMENTS]\n"
    "View and edit Sievra's settings store ($XDG_CONFIG_HOME/sievra/settings.db).\n"
    "\n"
    "  list [KEY]                          the tree below KEY (default: all) with typed values\n"
    "  get KEY NAME                        print one value\n"
    "  set KEY NAME --text T | --int N | --flag 0|1\n"
    "                                      write a value (the key is created when needed)\n"
    "  set-password KEY NAME PLAIN         store a password in its protected form\n"
    "  delete KEY [NAME]                   delete a value, or a key with everything below it\n"
    "  export [KEY]                        write a text dump of KEY (default: all)\n"
    "  import FILE                         read a dump (FILE - for standard input)\n"
    "\n"
    "KEY is a path such as \"\\Software\\Orlent Software\\Sievra\\00000001\"; names compare\n"
    "without regard to case.\n"
    "Exit status: 0 success, 1 key or value missing, 2 usage error, 3 store error.\n";

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
    c.Store.OpenKey(args[0], true)->Write(*value);
    return ExitOk;
}

int SetPassword(CommandContext& c, const QStringList& args) {
    if (args.size() != 3) {
        return Usage(c, QStringLiteral("set-password needs KEY NAME PLAIN"));
    }
    c.Store.OpenKey(args[0], true)->WriteText(args[1], EncodePassword(args[2]));
    return ExitOk;
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

int Export(CommandContext& c, const QStringList& args) {
    if (args.size() > 1) {
        return Usage(c, QStringLiteral("export takes at most one key"));
    }
    const QString path = args.value(0, QStringLiteral("\\"));
    return ExportKey(c.Store, path, c.Out) ? ExitOk : MissingKey(c, path);
}

int Import(CommandContext& c, const QStringList& args) {
    if (args.size() != 1) {
        return Usage(c, QStringLiteral("import needs FILE"));
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
        ImportDump(c.Store, in);
    } catch (const StoreError& error) {
        c.Err << "sievra-settings: " << args[0] << ": " << error.Message() << "\n";
        return ExitUsage;
    }
    return ExitOk;
}

} // namespace

int RunSettingsCommand(CommandContext& context, const QStringList& args) {
    static const QHash<QString, Command> commands = {
        {QStringLiteral("list"), List},     {QStringLiteral("get"), Get},
        {QStringLiteral("set"), Set},       {QStringLiteral("set-password"), SetPassword},
        {QStringLiteral("delete"), Delete}, {QStringLiteral("export"), Export},
        {QStringLiteral("import"), Import},
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
