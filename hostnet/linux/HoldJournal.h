#pragma once
// The record of host changes in force, one file per process in a folder that only root writes
// (/run/vornalix, 0700), so that a change that a killed process could not undo is undone when the
// adapter helper starts next. A change is recorded, and the record synced to disk, before it is
// made; a change whose record cannot be written is not made.
//
// Lines are words separated by blanks (interface names and paths hold no blanks). A record names
// the boot, the process's start time and the network namespace it was made in: a record whose
// process is gone (no such process, or another one under the same number) is left over; only a
// process of the same network namespace undoes it.
#include <string>
#include <vector>

namespace vornalix::hostnet {

class HoldJournal {
public:
    static constexpr const char* kDirectory = "/run/vornalix";

    // directory: the record folder; made 0700 when missing, and refused (nothing recorded, no
    // leftovers) when it is not a folder of this process's user that others cannot enter.
    explicit HoldJournal(std::string directory = kDirectory);

    // Adds, replaces or removes one line of this process's record; the file goes when its last line
    // does. false when the record could not be written (it is then as before).
    bool Record(const std::string& line);
    bool Replace(const std::string& line, const std::string& replacement);
    bool Erase(const std::string& line);
    // This process's lines, oldest first.
    std::vector<std::string> Lines() const;

    // The lines left by processes that are gone, oldest first per process; each file is
    // consumed: call Forget(file) once its changes are undone.
    struct Leftover {
        std::string file;
        std::vector<std::string> lines;
    };
    std::vector<Leftover> Leftovers() const;
    static void Forget(const std::string& file);

    const std::string& Directory() const { return directory; }

private:
    bool FolderUsable() const;
    std::string OwnFile() const;
    bool WriteOwn(const std::vector<std::string>& lines) const;

    std::string directory;
};

// The identity a record names: the boot (/proc/sys/kernel/random/boot_id) and a process's start
// time (field 22 of /proc/PID/stat); "" when unknown.
std::string BootId();
std::string ProcessStartTime(long pid);

} // namespace vornalix::hostnet
