#include "cli/CliArguments.h"

namespace tolvane::cli {
namespace {

// "/?" asks for help on Windows, as every console program there answers it; elsewhere it is
// a path like any other.
bool isWindowsHelp(const std::string& arg) {
#ifdef _WIN32
    return arg == "/?";
#else
    (void)arg;
    return false;
#endif
}

}  // namespace

// The text speaks of the system it runs on: its paths, and how it asks a program to end.
const char* const kUsage =
    "Usage: tolvane-convert [--dest DIR] [--charset NAME] PATH...\n"
    "       tolvane-convert --help | --version\n"
    "\n"
    "Converts Zimbra-exported .eml message files, Zimbra export archives (.tgz, .tar.gz,\n"
    ".tar, .zip), vCard (.vcf) and iCalendar (.ics) files into one new Unicode Outlook .pst\n"
    "file.\n"
    "\n"
    "Each PATH is a message, vCard or iCalendar file or an archive, queued as given, or a\n"
    "folder, searched with every folder below it for files whose names end in .eml, .vcf,\n"
    ".ics or an archive's ending (any case). An archive is read as it is, never unpacked:\n"
    "each message keeps the state Zimbra's .meta gives it (read, flag, replied or forwarded,\n"
    "draft, priority, tags) and goes into its Zimbra folder, Zimbra's Inbox, Sent, Drafts,\n"
    "Trash, Junk, Contacts, Calendar and Tasks being Outlook's own; a .eml with the\n"
    "NAME.eml.meta of an unpacked export beside it is read the same way. Contacts, contact\n"
    "groups, appointments and tasks go into Outlook's contact, calendar and task folders\n"
    "(those of a .vcf or .ics file into Contacts, Calendar and Tasks); documents are\n"
    "counted, not converted.\n"
    "The PST is written into DIR\n"
    "(default: the current folder) as \"ZimbraMails<d.m.yy h.n.ss>.pst\" with the display name\n"
    "\"Zimbra Mails : Created - <d.m.yy h.n.ss>\"; when that name is taken (a run in the same\n"
    "second) the file is \"ZimbraMails<d.m.yy h.n.ss> (2).pst\", and so on. An existing file\n"
    "is never overwritten.\n"
    "Inside it, each message goes into the folder tree its file lies in, counted from below\n"
#ifdef _WIN32
    "the drive (C:\\Users\\me\\Zimbra\\Inbox\\a.eml goes to Users > me > Zimbra > Inbox;\n"
    "folders of one name on different drives merge); Zimbra's batch folders (Inbox!1,\n"
    "Inbox!2, ...) merge into their base folder.\n"
#else
    "the root (/home/me/Zimbra/Inbox/a.eml goes to home > me > Zimbra > Inbox); Zimbra's\n"
    "batch folders (Inbox!1, Inbox!2, ...) merge into their base folder.\n"
#endif
    "\n"
    "While it is written the file is named \"ZimbraMails<stamp>-incomplete.pst\"; it takes its\n"
    "final name when the run ends, however it ends. A file left under the working name by a\n"
    "killed run is valid and holds what was committed; the next run into its folder names it\n"
    "and never touches it. A message without Zimbra's .meta is marked read.\n"
    "\n"
    "Progress goes to standard error: a bar with count, rate and time left on a "
#ifdef _WIN32
    "console;\n"
#else
    "terminal;\n"
#endif
    "otherwise one line per 1,000 messages (an archive's counted as they are read) and\n"
    "one per commit of the file (\"commit: N\n"
    "message(s) in the file\"). The last line says how many messages the file holds and where\n"
    "it is; the PST's path is also printed on standard output. "
#ifdef _WIN32
    "Ctrl+C and Ctrl+Break stop\n"
    "the run after the current message, keeping what was stored; so do closing the console\n"
    "window, logging off and shutting down, which wait for the current message to be stored\n"
    "and the file named, as long as Windows lets them (a few seconds). A full disk or a\n"
    "file-size limit stops the run at once (\"The disk is full: N of M messages are in\n"
    "PATH\").\n"
#else
    "SIGINT, SIGTERM and SIGHUP stop\n"
    "the run after the current message, keeping what was stored; a full disk or a file-size\n"
    "limit stops it at once (\"The disk is full: N of M messages are in PATH\").\n"
#endif
    "\n"
    "Options:\n"
    "  --dest DIR       folder to write the PST into (default: the current folder)\n"
    "  --charset NAME   charset of 8-bit text a message does not declare, tried after the\n"
#ifdef _WIN32
    "                   message's own charsets (default: the system's ANSI code page,\n"
    "                   windows-1252 where that is UTF-8); folder names that are not\n"
    "                   UTF-8 are read the same way\n"
    "  -h, --help, /?   show this text and exit\n"
#else
    "                   message's own charsets (default: the locale's, else windows-1252);\n"
    "                   folder names that are not UTF-8 are read the same way\n"
    "  -h, --help       show this text and exit\n"
#endif
    "  --version        show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every message was converted; warnings (a file changed after it was queued, a file\n"
    "     that held no message and is stored whole as its body) are listed but lose nothing\n"
    "  1  some were not: a message file that could not be read (each is listed with its\n"
    "     reason), a folder skipped, a stop, or a write failure\n"
    "  2  nothing could start (bad arguments, no message files, destination not writable)\n";

std::optional<CliArguments> parseArguments(const std::vector<std::string>& args,
                                           std::string& problem) {
    CliArguments parsed;
    bool optionsEnded = false;
    bool destGiven = false;
    bool charsetGiven = false;
    // "--name VALUE" or "--name=VALUE", at most once, never empty.
    const auto valueOf = [&](const std::string& name, const char* what, bool& given, std::size_t& k,
                             std::string& value) {
        if (given) {
            problem = name + " given twice";
            return false;
        }
        given = true;
        const std::string& arg = args[k];
        if (arg == name) {
            if (k + 1 < args.size())
                value = args[++k];
        } else {
            value = arg.substr(name.size() + 1);
        }
        if (value.empty())
            problem = name + " needs " + what;
        return !value.empty();
    };
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (!optionsEnded && isWindowsHelp(arg)) {
            parsed.help = true;
        } else if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            parsed.help = true;
        } else if (arg == "--version") {
            parsed.version = true;
        } else if (arg == "--dest" || arg.rfind("--dest=", 0) == 0) {
            if (!valueOf("--dest", "a folder", destGiven, k, parsed.dest))
                return std::nullopt;
        } else if (arg == "--charset" || arg.rfind("--charset=", 0) == 0) {
            if (!valueOf("--charset", "a charset name", charsetGiven, k, parsed.charset))
                return std::nullopt;
        } else {
            problem = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (!parsed.help && !parsed.version && parsed.paths.empty()) {
        problem = "no message file or folder given";
        return std::nullopt;
    }
    return parsed;
}

}  // namespace tolvane::cli
