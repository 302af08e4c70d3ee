// px40318 help [COMMAND]: the help texts, and the manual page and bash completion made
// from the command table so that they describe every command there is.

#include "cli/command.h"

#include "core/base/product.h"

namespace px::cli {

namespace {

// Text for roff: backslashes and minus signs escaped, and no line taken for a request.
QString roff(const QString& text)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        line.replace(u'\\', QStringLiteral("\\e")).replace(u'-', QStringLiteral("\\-"));
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(QStringLiteral("\\&"));
    }
    return lines.join(u'\n');
}

QString optionWord(const Option& option)
{
    return (option.name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + option.name;
}

// What the shell offers for a value or an argument, by its name: folders for ...DIR,
// files for ...FILE, command names for COMMAND, nothing for other values.
QString completionOf(const QString& valueName)
{
    if (valueName == QStringLiteral("COMMAND")) {
        QStringList names;
        for (const Command& command : commandTable())
            names << command.name;
        return QStringLiteral("mapfile -t COMPREPLY < <(compgen -W '%1' -- \"$cur\")").arg(names.join(u' '));
    }
    if (valueName.contains(QStringLiteral("DIR")))
        return QStringLiteral("mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")");
    if (valueName.contains(QStringLiteral("FILE")))
        return QStringLiteral("mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")");
    return QStringLiteral(":");
}

} // namespace

QString manPage()
{
    QString page;
    page += QStringLiteral(".TH PX40318 1 \"\" \"%1 %2\" \"User Commands\"\n")
                .arg(product::kSoftwareCode, roff(product::kVersion));
    // File names, paths and options are neither hyphenated nor spread to the right margin.
    page += QStringLiteral(".nh\n.ad l\n");
    page += QStringLiteral(".SH NAME\npx40318 \\- compile and inspect configurations of the %1 converter without a display\n")
                .arg(product::kSoftwareCode);
    page += QStringLiteral(".SH SYNOPSIS\n"
                           ".B px40318\n.I command\n.RI [ arguments ]\n.br\n"
                           ".B px40318 help\n.RI [ command ]\n.br\n"
                           ".B px40318\n.I command\n.B \\-\\-help\n.br\n"
                           ".B px40318 \\-\\-version\n");
    page += QStringLiteral(".SH DESCRIPTION\n.B px40318\n%1\n")
                .arg(roff(QStringLiteral("compiles, checks and inspects configurations of the %1 %2 without a display. "
                                         "A configuration is a folder holding the five XML files that the configurator "
                                         "px40318-configurator keeps in PROJECTS/<name>/ of its home folder.")
                              .arg(product::kSoftwareCode, product::kDescription)));
    page += QStringLiteral(".SH COMMANDS\n");
    for (const Command& command : commandTable()) {
        page += QStringLiteral(".SS %1\n.B px40318 %2\n").arg(command.name, roff(command.synopsis()));
        const QString help = command.help.isEmpty() ? command.summary.left(1).toUpper() + command.summary.mid(1) + u'.' : command.help;
        for (const QString& paragraph : help.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
            page += QStringLiteral(".PP\n") + roff(paragraph) + u'\n';
        for (const Argument& argument : command.arguments)
            page += QStringLiteral(".TP\n.I %1\n%2\n").arg(roff(argument.name), roff(argument.description));
        for (const Option& option : command.options) {
            if (option.hidden)
                continue;
            if (option.valueName.isEmpty())
                page += QStringLiteral(".TP\n.B %1\n").arg(roff(optionWord(option)));
            else
                page += QStringLiteral(".TP\n.BI %1 \" \" %2\n").arg(roff(optionWord(option)), roff(option.valueName));
            page += roff(option.description) + u'\n';
        }
    }
    page += QStringLiteral(".SH OPTIONS\n"
                           ".TP\n.BR \\-h \", \" \\-\\-help\n"
                           "Show the list of commands; after a command, that command's help.\n"
                           ".TP\n.B \\-\\-version\n"
                           "Show the software code and the version.\n");
    page += QStringLiteral(".SH EXIT STATUS\n"
                           ".TP\n.B 0\nSuccess.\n"
                           ".TP\n.B 1\nRefused or failed: the cause goes to standard error and nothing is written.\n"
                           ".TP\n.B 2\nWrong arguments: the command's usage goes to standard error.\n");
    page += QStringLiteral(".SH EXAMPLES\n"
                           "The installed example configurations lie in share/px40318/examples below the installation "
                           "prefix (/usr/share/px40318/examples from the Debian package):\n"
                           ".PP\n.nf\n"
                           "px40318 compile /usr/share/px40318/examples/PumpStation_Jumper \\-\\-out /tmp/pump\n"
                           "px40318 dump /tmp/pump/bank.bin\n"
                           ".fi\n");
    page += QStringLiteral(".SH SEE ALSO\n.BR px40318\\-configurator (1)\n");
    return page;
}

QString bashCompletion()
{
    QStringList first;
    for (const Command& command : commandTable())
        first << command.name;
    first << QStringLiteral("--help") << QStringLiteral("--version");

    QString script = QStringLiteral(
        "# bash completion for px40318, made by `px40318 help --bash-completion` from its command table\n"
        "_px40318()\n"
        "{\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} i n=0\n"
        "    COMPREPLY=()\n"
        "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
        "        mapfile -t COMPREPLY < <(compgen -W '%1' -- \"$cur\")\n"
        "        return\n"
        "    fi\n"
        "    case ${COMP_WORDS[1]} in\n")
                         .arg(first.join(u' '));
    for (const Command& command : commandTable()) {
        QStringList words;
        QStringList valued;
        QString valueCases;
        for (const Option& option : command.options) {
            if (option.hidden)
                continue;
            words << optionWord(option);
            if (!option.valueName.isEmpty()) {
                valued << optionWord(option);
                const QString offer = option.choices.isEmpty()
                    ? completionOf(option.valueName)
                    : QStringLiteral("mapfile -t COMPREPLY < <(compgen -W '%1' -- \"$cur\")").arg(option.choices.join(u' '));
                valueCases += QStringLiteral("        %1) %2; return ;;\n").arg(optionWord(option), offer);
            }
        }
        words << QStringLiteral("--help");
        script += QStringLiteral("    %1)\n").arg(command.name);
        if (!valueCases.isEmpty())
            script += QStringLiteral("        case $prev in\n") + valueCases + QStringLiteral("        esac\n");
        script += QStringLiteral("        if [[ $cur == -* ]]; then\n"
                                 "            mapfile -t COMPREPLY < <(compgen -W '%1' -- \"$cur\")\n"
                                 "            return\n"
                                 "        fi\n")
                      .arg(words.join(u' '));
        // Which argument is being typed: the words before it that are neither options nor
        // an option's value.
        script += QStringLiteral("        for ((i = 2; i < COMP_CWORD; i++)); do\n"
                                 "            case ${COMP_WORDS[i]} in\n");
        if (!valued.isEmpty())
            script += QStringLiteral("            %1) ((i++)) ;;\n").arg(valued.join(u'|'));
        script += QStringLiteral("            -*) ;;\n"
                                 "            *) ((n++)) ;;\n"
                                 "            esac\n"
                                 "        done\n"
                                 "        case $n in\n");
        for (qsizetype a = 0; a < command.arguments.size(); ++a) {
            const Argument& argument = command.arguments[a];
            const bool repeats = argument.count == Argument::Count::OneOrMore || argument.count == Argument::Count::Any;
            const QString pattern = repeats && a + 1 == command.arguments.size() ? QStringLiteral("*") : QString::number(a);
            script += QStringLiteral("        %1) %2 ;;\n").arg(pattern, completionOf(argument.name));
        }
        script += QStringLiteral("        esac\n"
                                 "        ;;\n");
    }
    script += QStringLiteral("    esac\n"
                             "}\n"
                             "complete -o filenames -F _px40318 px40318\n");
    return script;
}

int runHelpCommand(const Arguments& args)
{
    if (args.isSet(QStringLiteral("man"))) {
        printOut(manPage());
        return kSuccess;
    }
    if (args.isSet(QStringLiteral("bash-completion"))) {
        printOut(bashCompletion());
        return kSuccess;
    }
    if (args.positional().isEmpty()) {
        printOut(toolHelp());
        return kSuccess;
    }
    const Command* command = findCommand(args.positional(0));
    if (command == nullptr)
        return usageError(QStringLiteral("unknown command '%1'").arg(args.positional(0)), toolUsage());
    printOut(commandHelp(*command));
    return kSuccess;
}

} // namespace px::cli
