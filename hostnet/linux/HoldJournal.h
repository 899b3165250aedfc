#pragma once
// The record of host changes in force, one file per process under /run, so that a change that
// a killed process could not undo is undone when the wizard or vornalix-recover starts next.
// Lines are words separated by blanks (interface names and paths hold no blanks). A record names
// the network namespace it was made in, and only a process of that namespace undoes it.
#include <string>
#include <vector>

namespace vornalix::hostnet {

class HoldJournal {
public:
    // directory "": DefaultDirectory().
    explicit HoldJournal(std::string directory = "");

    // $VORNALIX_RUN_DIR when set; else /run/vornalix for root, an ordinary user's
    // $XDG_RUNTIME_DIR/vornalix (or /run/user/UID/vornalix).
    static std::string DefaultDirectory();

    // Adds or removes one line of this process's record; the file goes when its last line does.
    // false when the record cannot be written.
    bool Record(const std::string& line);
    void Erase(const std::string& line);

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
    std::string OwnFile() const;
    std::vector<std::string> ReadOwn() const;
    void WriteOwn(const std::vector<std::string>& lines) const;

    std::string directory;
};

} // namespace vornalix::hostnet
