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

    // Locks the open print file and the strain result file at `strainFile`, without waiting.
    // The strain file is created when missing, as the run would create it: locking is the run's
    // last step before writing. Either both are held or neither.
    Result take(int printDescriptor, const std::filesystem::path& strainFile);
    void release();

private:
    int printDescriptor_ = -1;  // owned by the print file; only its lock is ours
    int strainDescriptor_ = -1;
};
