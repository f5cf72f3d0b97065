// Times the program's unattended backup of a reference clinic, with its
// copies read back from the disk and without (--no-verify), against cp -r of
// the same items followed by sync, interleaved, and prints the median ratios,
// the program's peak resident memory and the disk's own speeds beside them.
//   bench/backup [--scale F] [--runs N] [--program PATH] [--work DIR]
// Every timed run writes to its own destination, removed at the end. Then
// one backup folder is backed up into three nights in a row: a full run,
// one with nothing changed, and one after a database changed; it prints the
// second night's time against the first and the room the third night's
// generation takes against that database's size.
//   bench/backup --files N[,N...] [--program PATH] [--work DIR]
// instead backs up a data folder of N empty and tiny files, for each N, and
// prints the program's peak resident memory: it must not grow with N.
#include "disk_speed.h"
#include "generations/generation_layout.h"
#include "platform/paths.h"
#include "record/backup_record.h"
#include "reference_clinic.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
    double scale = 1.0;
    int runs = 3;
    std::vector<std::uint64_t> fileCounts; // the memory bench, when given
    fs::path program;
    fs::path work = fs::temp_directory_path() / "rvdatebackup-bench";
};

struct Timing {
    double seconds = 0;
    long peakKilobytes = 0;
    int exitCode = -1;
};

Timing timeCommand(const std::vector<std::string>& arguments, const fs::path& folder)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        if (chdir(folder.c_str()) != 0 || quiet < 0 || dup2(quiet, STDOUT_FILENO) < 0) {
            _exit(126);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {elapsed.count(), usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// Each contender starts from a new, empty destination and a device with
// nothing left to write. Earlier destinations are not removed between timed
// runs: on ext4, files created within half a minute of a mass deletion make
// the kernel step over every inode just freed, which slowed both contenders
// by seconds and made the figures swing twofold.
fs::path freshDestination(const fs::path& work, int number)
{
    const fs::path destination = work / ("backup-" + std::to_string(number));
    fs::remove_all(destination);
    fs::create_directories(destination);
    sync();
    return destination;
}

// The files copied into a backup folder: its record and history are the program's own.
std::uint64_t countCopies(const fs::path& folder)
{
    std::uint64_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        count += entry.is_regular_file() && name != rv::kRecordFileName && name != rv::kHistoryFileName ? 1 : 0;
    }
    return count;
}

// Other work on the machine slows every contender, cp most: it is printed
// with the figures.
std::string loadAverage()
{
    std::string load;
    std::getline(std::ifstream("/proc/loadavg"), load);
    return load.substr(0, load.find(' '));
}

// The disk's write and read speeds past the cache, and what writing and
// reading back the clinic's bytes at those speeds takes: the floor.
void printDiskSpeed(const fs::path& work, std::uint64_t bytes)
{
    const auto speed = rv::bench::measureDiskSpeed(work, 512);
    if (!speed) {
        std::printf("disk speed: not measured (the test file could not be written or read)\n");
        return;
    }
    const double megabytes = static_cast<double>(bytes) / (1 << 20);
    std::printf("disk, %s, 512 MB: write %.0f MB/s, read %.0f MB/s; the clinic at those speeds: write %.2f s, "
                "read back %.2f s\n",
                speed->direct ? "past the cache" : "flushed and its cache dropped", speed->writeMegabytesPerSecond,
                speed->readMegabytesPerSecond, megabytes / speed->writeMegabytesPerSecond,
                megabytes / speed->readMegabytesPerSecond);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Options parse(int argc, char** argv)
{
    Options options;
    auto exe = rv::platform::executableFolder();
    if (exe.ok()) {
        options.program = fs::path(exe.value()) / ".." / ".." / "rvdatebackup"; // build/bench/backup_bench/
    }
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (i + 1 == argc) {
            // A lone last word is a mistyped option, not a request for the full bench.
            std::cerr << "unknown option or missing value: " << name << "\n";
            std::exit(2);
        }
        if (name == "--scale") {
            options.scale = std::atof(argv[i + 1]);
        } else if (name == "--runs") {
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (name == "--program") {
            options.program = argv[i + 1];
        } else if (name == "--work") {
            options.work = argv[i + 1];
        } else if (name == "--files") {
            std::istringstream counts(argv[i + 1]);
            for (std::string count; std::getline(counts, count, ',');) {
                options.fileCounts.push_back(std::strtoull(count.c_str(), nullptr, 10));
            }
        } else {
            std::cerr << "unknown option " << name << "\n";
            std::exit(2);
        }
    }
    return options;
}

// The peak resident memory of a backup of N files, for each N: flat, since
// the data folder is walked as a stream.
int measureMemory(const Options& options)
{
    std::printf("files      peak RSS   time     growth\n");
    int failures = 0;
    long previousKilobytes = -1;
    for (const std::uint64_t files : options.fileCounts) {
        const fs::path folder = options.work / ("files-" + std::to_string(files));
        const rv::bench::ReferenceClinic clinic = rv::bench::buildFileTree(folder, files);
        const fs::path program = clinic.folder / "rvdatebackup";
        fs::copy_file(options.program, program, fs::copy_options::overwrite_existing);
        const fs::path destination = freshDestination(options.work, 0);
        const Timing backup = timeCommand({program.string(), "--backup-to", destination.string()}, clinic.folder);
        const bool complete = backup.exitCode == 0 && countCopies(destination) == clinic.files;
        std::printf("%-9llu %6.1f MB %6.1f s", static_cast<unsigned long long>(files),
                    static_cast<double>(backup.peakKilobytes) / 1024, backup.seconds);
        if (previousKilobytes >= 0) {
            // Against the count before: once a few batches have gone by, more files cost nothing more.
            std::printf("  %+5.1f MB", static_cast<double>(backup.peakKilobytes - previousKilobytes) / 1024);
        }
        std::printf("%s\n", complete ? "" : "  (the backup failed)");
        previousKilobytes = backup.peakKilobytes;
        failures += complete ? 0 : 1;
        fs::remove_all(destination);
        fs::remove_all(folder);
    }
    std::printf("target: <= 40 MB at every count, under 2 MB of growth from 100000 to 1000000 files\n");
    return failures == 0 ? 0 : 1;
}

// The bytes of the regular files below folder.
std::uint64_t bytesBelow(const fs::path& folder)
{
    std::uint64_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        bytes += entry.is_regular_file() ? entry.file_size() : 0;
    }
    return bytes;
}

// Three nights into one backup folder: all new, nothing changed, one
// database changed in place (a byte of it, its size kept).
int measureNights(const Options& options, const rv::bench::ReferenceClinic& clinic, const fs::path& program)
{
    const auto database = std::find_if(clinic.items.begin(), clinic.items.end(),
                                       [](const std::string& item) { return item.ends_with(".mdb"); });
    if (database == clinic.items.end()) {
        std::cerr << "the reference clinic has no database\n";
        return 1;
    }
    const fs::path destination = freshDestination(options.work, 9999);
    const std::vector<std::string> command = {program.string(), "--backup-to", destination.string()};
    const Timing first = timeCommand(command, clinic.folder);
    sync();
    const Timing unchanged = timeCommand(command, clinic.folder);
    const fs::path changed = clinic.folder / *database;
    const std::uint64_t databaseBytes = fs::file_size(changed);
    {
        std::fstream file(changed, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(databaseBytes / 2));
        file.put('\x5a');
    }
    sync();
    const Timing third = timeCommand(command, clinic.folder);
    const fs::path generations = destination / rv::kEarlierBackupsFolder;
    if (first.exitCode != 0 || unchanged.exitCode != 0 || third.exitCode != 0 || !fs::exists(generations)) {
        std::cerr << "a night's backup failed: exit codes " << first.exitCode << ", " << unchanged.exitCode << ", "
                  << third.exitCode << "\n";
        return 1;
    }
    const std::uint64_t generationBytes = bytesBelow(generations);
    std::printf("\nnights into one folder: first %.2f s, nothing changed %.2f s: ratio %.2f (target <= 0.25)\n",
                first.seconds, unchanged.seconds, unchanged.seconds / first.seconds);
    std::printf("one database changed (%s, %.1f MB): %.2f s, its generation takes %.1f MB: %+.1f %% (target within "
                "10 %%)\n",
                database->c_str(), static_cast<double>(databaseBytes) / (1 << 20), third.seconds,
                static_cast<double>(generationBytes) / (1 << 20),
                100.0 * (static_cast<double>(generationBytes) - static_cast<double>(databaseBytes)) /
                    static_cast<double>(databaseBytes));
    fs::remove_all(destination);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    if (!fs::exists(options.program) || options.scale <= 0) {
        std::cerr << "usage: bench_backup [--scale F] [--runs N] [--program PATH] [--work DIR]\n"
                  << "       bench_backup --files N[,N...] [--program PATH] [--work DIR]\n"
                  << "program not found: " << options.program << "\n";
        return 2;
    }
    if (!options.fileCounts.empty()) {
        return measureMemory(options);
    }
    std::cout << "building the reference clinic (scale " << options.scale << ") in " << options.work << "\n";
    const auto removedEarlierClinic = std::chrono::steady_clock::now();
    const rv::bench::ReferenceClinic clinic = rv::bench::buildReferenceClinic(options.work / "clinic", options.scale);
    // The same half minute as below, for the files of an earlier clinic.
    std::this_thread::sleep_until(removedEarlierClinic + std::chrono::seconds(32));
    // The program reads rv.dat from its own folder, as it does at a clinic.
    const fs::path program = clinic.folder / "rvdatebackup";
    fs::copy_file(options.program, program, fs::copy_options::overwrite_existing);
    std::printf("%zu items, %llu files, %.1f MB\n\n", clinic.items.size(),
                static_cast<unsigned long long>(clinic.files), static_cast<double>(clinic.bytes) / (1 << 20));

    // cp is given the destination as its last argument by the shell.
    std::vector<std::string> copyCommand = {"/bin/sh", "-c", "cp -r"};
    for (const auto& item : clinic.items) {
        copyCommand[2] += " '" + item + "'";
    }
    copyCommand[2] += " \"$0/\" && sync";
    copyCommand.emplace_back();
    // Contenders, in the order of the columns.
    const std::vector<std::vector<std::string>> commands = {
        {program.string(), "--backup-to", ""}, {program.string(), "--no-verify", "--backup-to", ""}, copyCommand};
    const std::size_t count = commands.size();
    std::vector<std::vector<double>> seconds(count);
    std::vector<long> peakKilobytes(count, 0);
    std::printf("load average before the runs: %s\n", loadAverage().c_str());
    printDiskSpeed(options.work, clinic.bytes);
    std::printf("\nrun  verified       unverified     cp -r + sync\n");
    for (int run = 0; run < options.runs; ++run) {
        // Rotate who goes first, so that none always meets a warmer system.
        for (std::size_t turn = 0; turn < count; ++turn) {
            const std::size_t who = (static_cast<std::size_t>(run) + turn) % count;
            const fs::path destination =
                freshDestination(options.work, run * static_cast<int>(count) + static_cast<int>(turn));
            std::vector<std::string> command = commands[who];
            command.back() = destination.string();
            const Timing timing = timeCommand(command, clinic.folder);
            if (who < 2 && (timing.exitCode != 0 || countCopies(destination) != clinic.files)) {
                std::cerr << "the backup failed: exit code " << timing.exitCode << "\n";
                return 1;
            }
            seconds[who].push_back(timing.seconds);
            peakKilobytes[who] = std::max(peakKilobytes[who], timing.peakKilobytes);
        }
        std::printf("%3d  %10.2f s  %10.2f s  %10.2f s\n", run + 1, seconds[0].back(), seconds[1].back(),
                    seconds[2].back());
    }
    for (int number = 0; number < static_cast<int>(count) * options.runs; ++number) {
        fs::remove_all(options.work / ("backup-" + std::to_string(number)));
    }
    const double copy = median(seconds[2]);
    std::printf("\nmedian: verified %.2f s, unverified %.2f s, cp -r + sync %.2f s\n", median(seconds[0]),
                median(seconds[1]), copy);
    std::printf("ratio to cp -r + sync: verified %.2f, unverified %.2f (target <= 1.00)\n", median(seconds[0]) / copy,
                median(seconds[1]) / copy);
    std::printf("load average after the runs: %s\n", loadAverage().c_str());
    std::printf("peak RSS of rvdatebackup: verified %.1f MB, unverified %.1f MB (target <= 40 MB)\n",
                static_cast<double>(peakKilobytes[0]) / 1024, static_cast<double>(peakKilobytes[1]) / 1024);
    return measureNights(options, clinic, program);
}
