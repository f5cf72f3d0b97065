#include "backup/open_databases.h"

#include "backup/backup_plan.h"
#include "common/path_text.h"
#include "platform/lock_files.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace rv {
namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The lock file the database engine keeps beside a database, in the case of
// the database's own extension.
std::optional<std::string> lockFileOf(const std::string& database)
{
    const std::size_t dot = database.rfind('.');
    if (dot == std::string::npos) {
        return std::nullopt;
    }
    const std::string extension = database.substr(dot + 1);
    const bool upper = !extension.empty() && std::isupper(static_cast<unsigned char>(extension[0]));
    std::string lock;
    if (lowered(extension) == "mdb") {
        lock = "ldb";
    } else if (lowered(extension) == "accdb") {
        lock = "laccdb";
    } else {
        return std::nullopt;
    }
    if (upper) {
        std::transform(lock.begin(), lock.end(), lock.begin(), [](unsigned char c) { return std::toupper(c); });
    }
    return database.substr(0, dot + 1) + lock;
}

} // namespace

std::vector<OpenDatabase> findOpenDatabases(const Settings& settings)
{
    std::vector<OpenDatabase> open;
    for (const std::string& database : databaseSources(settings)) {
        const auto lock = lockFileOf(database);
        if (lock && platform::lockFileState(*lock) == platform::LockFileState::Held) {
            open.push_back({fileNameOf(database), *lock});
        }
    }
    return open;
}

std::string describeOpenDatabasesQuestion(const std::vector<OpenDatabase>& open)
{
    std::string text = "次のデータベースはRVシステムで開かれているようです。";
    for (const OpenDatabase& database : open) {
        text += "\n・" + database.name;
    }
    text += "\n\n開いたままコピーすると、内容がそろわないことがあります。RVシステムを終了してから"
            "バックアップしてください。\n\nこのままバックアップしますか？";
    return text;
}

std::string describeOpenDatabaseWarning(const OpenDatabase& open)
{
    return open.name + " はRVシステムで開かれているようです（" + fileNameOf(open.lockFile) +
           " があります）。コピーの内容がそろわないことがあります。";
}

} // namespace rv
