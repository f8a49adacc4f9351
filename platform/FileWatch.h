#pragma once
// Files that something was built from, each with the state it had on disk
// when it was read, so that a change can be noticed cheaply: one stat() per
// file and look. An editor that saves by writing in place or by renaming a
// new file over the old one is seen either way.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class WatchedFiles {
public:
    // Notes `path` with its state now; call it before reading the file, so a
    // change made while it is read shows up at the next look. A file that
    // does not exist is watched too: it counts as changed once it appears.
    void add(const std::string& path);
    void clear() { files_.clear(); }

    // Whether any file's modification time, size or identity differs from
    // what was noted, or it appeared or vanished.
    bool changed() const;

    size_t size() const { return files_.size(); }

private:
    struct Stamp {
        bool exists = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0;
        int64_t modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const std::string& path);

    struct File {
        std::string path;
        Stamp stamp;
    };
    std::vector<File> files_;
};

}  // namespace platform
