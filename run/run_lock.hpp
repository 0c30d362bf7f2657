#pragma once
// The exclusive hold of a run on the files it appends to, so that two runs at once never mix
// their records: an advisory lock (flock) on the print file and one on the strain result file,
// which stands for all result files of its name (every result file name is the same text with
// another suffix, so two print names share one result file exactly when they share them all).
#include <filesystem>

class RunLock {
public:
    enum class Result {
        taken,         // the run may write; also when a file cannot be locked for another reason
        printInUse,    // another run holds the print file
        resultsInUse,  // another run holds the result files
    };

    RunLock() = default;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock() { release(); }

    // Locks the open print file (none: -1) and the strain result file at `strainFile` (none:
    // empty), without waiting. The strain file is created when missing, as the run would create
    // it: locking is the run's last step before writing. Either both are held or neither.
    Result take(int printDescriptor, const std::filesystem::path& strainFile);
    void release();

private:
    int printDescriptor_ = -1;  // owned by the print file; only its lock is ours
    int strainDescriptor_ = -1;
};

// The hold of a run on a folder whose files it puts in place as one set (the plots), so that two
// runs never put theirs in place at the same time and leave a mix: an advisory lock (flock) on the
// folder itself, for the moment of putting the files in place.
class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() { release(); }

    // Waits while another run holds `folder`, then holds it. False when the folder cannot be
    // locked (a file system without locks): the run goes ahead as before locks existed.
    bool take(const std::filesystem::path& folder);
    void release();

private:
    int descriptor_ = -1;
};
