#include "fault_bed.h"

#include "backup/backup_message.h"
#include "backup/backup_plan.h"
#include "backup/unattended_backup.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rv::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDataFiles[] = {"a.txt", "写真/b.jpg"};

} // namespace

FaultBed::FaultBed()
{
    clinic.addDatabases(kDefaultDatabaseOrder);
    clinic.addDataFiles({std::begin(kDataFiles), std::end(kDataFiles)});
}

void FaultBed::resizeSource(const std::string& relative, std::size_t size)
{
    writeFile(source(relative), SampleClinic::contentFor(relative, size));
}

Result<platform::Done, std::string> FaultBed::mountDestination(std::uint64_t bytes)
{
    auto mounted = Mount::tmpfs(destination(), bytes);
    if (!mounted.ok()) {
        return Result<platform::Done, std::string>::failure(mounted.error());
    }
    mount.emplace(std::move(mounted.value()));
    return Result<platform::Done, std::string>::success({});
}

std::vector<std::string> FaultBed::backupFiles() const
{
    std::vector<std::string> files = kDefaultDatabaseOrder;
    files.insert(files.end(), {"rv.dat", "id.dat"});
    const fs::path data = source("GDATA");
    for (const auto& entry : fs::recursive_directory_iterator(data, fs::directory_options::skip_permission_denied)) {
        if (entry.is_regular_file()) {
            files.push_back("GDATA/" + entry.path().lexically_relative(data).string());
        }
    }
    return files;
}

void FaultBed::writeEarlierBackup()
{
    for (const auto& relative : backupFiles()) {
        earlier_[relative] = SampleClinic::contentFor("earlier copy of " + relative, 700);
        writeFile(destination() / relative, earlier_[relative]);
    }
}

void FaultBed::replaceEarlierCopy(const std::string& relative, const std::string& content)
{
    earlier_[relative] = content;
    writeFile(destination() / u8path(relative), content);
}

std::string FaultBed::runCore(const BackupCallbacks& callbacks) const
{
    auto plan = makeBackupPlan(clinic.settings(), clinic.program.str(), clinic.backup.withSeparator());
    if (!plan.ok()) {
        return describePlanRefusal(plan.error());
    }
    const std::atomic<bool> cancel{false};
    const BackupResult result = runBackup(plan.value(), callbacks, cancel);
    std::string summary = describeBackupResult(result).text;
    for (const auto& note : result.notes) {
        summary += "\nnote: " + describeNote(note);
    }
    return summary;
}

int FaultBed::runUnattended(std::ostream& out) const
{
    const std::atomic<bool> cancel{false};
    return runUnattendedBackup(clinic.program.str(), clinic.backup.str(), out, cancel);
}

ChildOutcome FaultBed::runProgram(const ChildLimits& limits, const fs::path& destination) const
{
    return rv::testing::runProgram(limits, installProgram(), {"--backup-to", destination.string()});
}

std::string FaultBed::installProgram() const
{
#ifdef RV_PROGRAM
    const fs::path copy = source("rvdatebackup");
    fs::copy_file(RV_PROGRAM, copy, fs::copy_options::overwrite_existing);
    return copy.string();
#else
    return "built without the program";
#endif
}

std::optional<std::string> programUnavailable()
{
#ifdef RV_PROGRAM
    static const bool hasBackupTo =
        rv::testing::runProgram({}, RV_PROGRAM, {"--help"}).output.find("--backup-to") != std::string::npos;
    if (!hasBackupTo) {
        return "skipped: the program has no --backup-to";
    }
    return std::nullopt;
#else
    return "skipped: built without the Qt program";
#endif
}

std::vector<std::string> FaultBed::wrongFiles(const fs::path& root, const std::set<std::string>& failed) const
{
    std::vector<std::string> wrong;
    for (const auto& relative : backupFiles()) {
        const fs::path copy = root / relative;
        if (failed.count(relative) == 0) {
            if (readFile(copy) != readFile(source(relative))) {
                wrong.push_back(relative + ": not the source's content");
            }
            continue;
        }
        const auto before = earlier_.find(relative);
        if (before == earlier_.end() ? fs::exists(copy) : readFile(copy) != before->second) {
            wrong.push_back(relative + ": the earlier copy is not intact");
        }
    }
    return wrong;
}

std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::file_status status = entry.symlink_status();
        std::string& seen = entries[entry.path().lexically_relative(root).string()];
        seen = std::to_string(static_cast<int>(status.type())) + " " +
               std::to_string(static_cast<unsigned>(status.permissions()));
        if (fs::is_symlink(status)) {
            seen += " -> " + fs::read_symlink(entry.path()).string();
        } else if (fs::is_regular_file(status)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::string head(4096, '\0');
            in.read(head.data(), static_cast<std::streamsize>(head.size()));
            head.resize(static_cast<std::size_t>(in.gcount()));
            seen += " " + std::to_string(entry.file_size()) + " " +
                    std::to_string(entry.last_write_time().time_since_epoch().count()) + " " + head;
        }
    }
    return entries;
}

std::vector<std::string> temporaryFilesUnder(const fs::path& root)
{
    std::vector<std::string> found;
    // Not through canonical paths: root may be a handle on a detached file system.
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().filename().string().starts_with(".rvtmp-")) {
            found.push_back(entry.path().lexically_relative(root).string());
        }
    }
    return found;
}

std::string someNotCopied(const std::vector<std::string>& lines)
{
    std::string text = "データのバックアップが終わりましたが、コピーできなかったものがあります。";
    for (const auto& line : lines) {
        text += "\n・" + line;
    }
    return text;
}

std::string inAnyOrder(const std::string& message)
{
    std::vector<std::string> lines;
    std::istringstream in(message);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    if (!lines.empty()) {
        std::sort(lines.begin() + 1, lines.end());
    }
    std::string sorted;
    for (const auto& line : lines) {
        sorted += line + "\n";
    }
    return sorted;
}

std::string closingMessageOf(const std::string& output)
{
    const std::size_t start = output.rfind("\n\n");
    std::string message = start == std::string::npos ? output : output.substr(start + 2);
    if (!message.empty() && message.back() == '\n') {
        message.pop_back();
    }
    return message;
}

} // namespace rv::testing
