#include "startup/command_line.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace rv::startup {
using Mode = CommandLine::Mode;

namespace {

// An argument split into its option name and the value given after "=".
struct OptionWord {
    std::string_view name;
    std::optional<std::string_view> value;
};

std::optional<OptionWord> optionWord(std::string_view argument)
{
    if (argument.size() < 2 || argument.front() != '-') {
        return std::nullopt;
    }
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const auto equals = argument.find('=');
    if (equals == std::string_view::npos) {
        return OptionWord{argument, std::nullopt};
    }
    return OptionWord{argument.substr(0, equals), argument.substr(equals + 1)};
}

bool isOneOf(std::string_view name, const std::vector<std::string_view>& names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Reads the arguments into what they ask; the first problem ends it.
class Reader {
public:
    Reader(const std::vector<std::string>& arguments, const ToolkitOptions& toolkit)
        : arguments_(arguments), toolkit_(toolkit)
    {
    }

    CommandLine read()
    {
        for (next_ = 0; next_ < arguments_.size() && refusal_.empty();) {
            take(arguments_[next_++]);
        }
        return result();
    }

private:
    void take(std::string_view argument)
    {
        const auto option = optionWord(argument);
        if (!option) {
            refusal_ = "余分な引数です：" + std::string(argument);
        } else if (isOneOf(option->name, {"backup-to", "check", "generations"})) {
            auto& folder = option->name == "backup-to" ? backupTo_ : option->name == "check" ? check_ : generations_;
            folder = valueOf(*option, "フォルダ");
        } else if (option->name == "generation") {
            generation_ = valueOf(*option, "世代の名前");
        } else if (option->name == "restore" && !option->value) {
            restoreWindow_ = true;
        } else if (option->name == "keep") {
            takeKeep(*option);
        } else if (option->name == "no-verify") {
            verify_ = false;
        } else if (isOneOf(option->name, {"help", "h", "?", "help-all"})) {
            help_ = true;
        } else if (isOneOf(option->name, {"version", "v"})) {
            version_ = true;
        } else if (isOneOf(option->name, toolkit_.withValue)) {
            valueOf(*option, "値");
        } else if (!isOneOf(option->name, toolkit_.flags)) {
            refusal_ = "不明なオプションです：" + std::string(argument);
        }
    }

    // A number of generations: 1 or more, as the newest earlier one is
    // never removed anyway.
    void takeKeep(const OptionWord& option)
    {
        const auto value = valueOf(option, "残す数");
        if (!value) {
            return;
        }
        unsigned number = 0;
        const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), number);
        if (error != std::errc() || end != value->data() + value->size() || number == 0) {
            refusal_ = "--keep には 1 以上の数を指定してください：" + *value;
            return;
        }
        keep_ = number;
    }

    // The value after "=", else the next argument; a missing one, or the
    // next option in its place, refuses the command line.
    // what: what the value is, for the refusal.
    std::optional<std::string> valueOf(const OptionWord& option, std::string_view what)
    {
        if (option.value) {
            return std::string(*option.value);
        }
        if (next_ < arguments_.size() && !optionWord(arguments_[next_])) {
            return arguments_[next_++];
        }
        refusal_ = "--" + std::string(option.name) + " の後に" + std::string(what) + "を指定してください。";
        return std::nullopt;
    }

    CommandLine result() const
    {
        CommandLine line;
        if (!refusal_.empty()) {
            line.mode = Mode::Refused;
            line.refusal = refusal_;
        } else if (version_ || help_) {
            line.mode = version_ ? Mode::Version : Mode::Help;
        } else if (keep_ && !backupTo_) {
            line.mode = Mode::Refused;
            line.refusal = "--keep は --backup-to と一緒に指定してください。";
        } else if (generation_ && (backupTo_ || !check_)) {
            line.mode = Mode::Refused;
            line.refusal = "--generation は --check と一緒に指定してください。";
        } else if (restoreWindow_ && (backupTo_ || check_ || generations_)) {
            line.mode = Mode::Refused;
            line.refusal = "--restore は --backup-to、--check、--generations と一緒には指定できません。";
        } else if (restoreWindow_) {
            line.mode = Mode::RestoreWindow;
        } else if (backupTo_ || check_ || generations_) {
            line.mode = backupTo_ ? Mode::BackupTo : check_ ? Mode::Check : Mode::Generations;
            line.folder = backupTo_ ? *backupTo_ : check_ ? *check_ : *generations_;
            line.verify = verify_;
            line.keep = keep_;
            line.generation = generation_.value_or("");
        }
        return line;
    }

    const std::vector<std::string>& arguments_;
    const ToolkitOptions& toolkit_;
    std::size_t next_ = 0;
    std::optional<std::string> backupTo_;
    std::optional<std::string> check_;
    std::optional<std::string> generations_;
    std::optional<std::string> generation_;
    bool restoreWindow_ = false;
    bool verify_ = true;
    std::optional<unsigned> keep_;
    bool help_ = false;
    bool version_ = false;
    std::string refusal_;
};

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments, const ToolkitOptions& toolkit)
{
    return Reader(arguments, toolkit).read();
}

std::string helpText(std::string_view programName)
{
    return "使い方: " + std::string(programName) +
           " [オプション]\n"
           "RVシステムのデータバックアップ。オプションがなければウィンドウを開きます。\n"
           "\n"
           "オプション:\n"
           "  --backup-to <DIR>  ウィンドウを開かずに DIR へバックアップします（終了コード\n"
           "                     0: すべてコピー、1: コピーできなかったものあり、2: 開始できず）。\n"
           "  --no-verify        --backup-to で、書き込んだ内容の読み直しをしません。\n"
           "  --keep <N>         --backup-to で、以前のバックアップを最大 N 世代残します（既定 30、\n"
           "                     1 以上。空きが足りなければ古いものから削除します）。\n"
           "  --check <DIR>      DIR のバックアップを記録と照らし合わせます（終了コード\n"
           "                     0: すべて一致、1: 違うものか見つからないものあり、2: 記録がない）。\n"
           "  --generation <NAME>  --check で、最新ではなく世代 NAME のバックアップを確かめます。\n"
           "  --generations <DIR>  DIR のバックアップの世代を、新しいものから一行ずつ表示します\n"
           "                     （名前、日時、結果、ファイル数、サイズ。最新の名前は「最新」）。\n"
           "  --restore          復元のウィンドウを開き、バックアップを元の場所に戻します。\n"
           "  -h, --help         この説明を表示します。\n"
           "  -v, --version      バージョンを表示します。\n";
}

std::string versionText() { return "RVシステム データバックアップ バージョン " RV_PROGRAM_VERSION "\n"; }

std::string usageHint(std::string_view programName)
{
    return "使い方は " + std::string(programName) + " --help で表示されます。";
}

bool isAnsweredAtOnce(const CommandLine& line)
{
    return line.mode == Mode::Help || line.mode == Mode::Version || line.mode == Mode::Refused;
}

std::optional<int> answerAtOnce(const CommandLine& line, std::string_view programName, std::ostream& out,
                                std::ostream& err)
{
    switch (line.mode) {
    case Mode::Help:
        out << helpText(programName) << std::flush;
        return 0;
    case Mode::Version:
        out << versionText() << std::flush;
        return 0;
    case Mode::Refused:
        err << line.refusal << '\n' << usageHint(programName) << std::endl;
        return kExitUsage;
    case Mode::Window:
    case Mode::BackupTo:
    case Mode::Check:
    case Mode::RestoreWindow:
    case Mode::Generations:
        break;
    }
    return std::nullopt;
}

} // namespace rv::startup
