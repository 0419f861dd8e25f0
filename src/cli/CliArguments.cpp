#include "cli/CliArguments.h"

namespace tolvane::cli {

const char* const kUsage =
    "Usage: tolvane-convert [--dest DIR] [--charset NAME] PATH...\n"
    "\n"
    "Converts Zimbra-exported .eml message files into one new Unicode Outlook .pst file.\n"
    "\n"
    "Each PATH is a message file, queued as given, or a folder, searched with every folder\n"
    "below it for files whose names end in .eml (any case). The PST is written into DIR\n"
    "(default: the current folder) as \"ZimbraMails<d.m.yy h.n.ss>.pst\" with the display name\n"
    "\"Zimbra Mails : Created - <d.m.yy h.n.ss>\"; when that name is taken (a run in the same\n"
    "second) the file is \"ZimbraMails<d.m.yy h.n.ss> (2).pst\", and so on. An existing file\n"
    "is never overwritten.\n"
    "Inside it, each message goes into the folder tree its file lies in, counted from below\n"
    "the root (/home/me/Zimbra/Inbox/a.eml goes to home > me > Zimbra > Inbox); Zimbra's\n"
    "batch folders (Inbox!1, Inbox!2, ...) merge into their base folder.\n"
    "\n"
    "While it is written the file is named \"ZimbraMails<stamp>-incomplete.pst\"; it takes its\n"
    "final name when the run ends, however it ends. A file left under the working name by a\n"
    "killed run is valid and holds what was committed; the next run into its folder names it\n"
    "and never touches it. Every message is marked read.\n"
    "\n"
    "Progress goes to standard error: a bar with count, rate and time left on a terminal;\n"
    "otherwise one line per 1,000 messages and one per commit of the file (\"commit: N\n"
    "message(s) in the file\"). The last line says how many messages the file holds and where\n"
    "it is; the PST's path is also printed on standard output. SIGINT, SIGTERM and SIGHUP stop\n"
    "the run after the current message, keeping what was stored; a full disk or a file-size\n"
    "limit stops it at once (\"The disk is full: N of M messages are in PATH\").\n"
    "\n"
    "Options:\n"
    "  --dest DIR       folder to write the PST into (default: the current folder)\n"
    "  --charset NAME   charset of 8-bit text a message does not declare, tried after the\n"
    "                   message's own charsets (default: the locale's, else windows-1252);\n"
    "                   folder names that are not UTF-8 are read the same way\n"
    "  -h, --help       show this text and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every message was converted\n"
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
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            parsed.help = true;
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
    if (!parsed.help && parsed.paths.empty()) {
        problem = "no message file or folder given";
        return std::nullopt;
    }
    return parsed;
}

}  // namespace tolvane::cli
