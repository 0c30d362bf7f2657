#pragma once
// The print file of a run that opens it itself (the batch command's): only once the series has
// been read and checked, just before the lock and the first record, so that a run that fails
// earlier creates no file.
#include <string>

#include "run/run_state.hpp"

struct DeferredPrintFile {
    bool opened = false;   // this run opened state.deferredPrintFile as its print file
    bool created = false;  // and the file did not exist before
    std::string failure;   // why it could not be opened, naming it
};

// Opens state.deferredPrintFile for appending as openPrintFile does, when it is set and no print
// file is open yet. `failure` is set when it cannot be opened.
DeferredPrintFile openDeferredPrintFile(RunState& state);

// Whether the print file's name still reaches the file this run holds open (and locked): a run
// that opened the name just before another run removed it would write into a file that no
// name shows.
bool printFileStillNamed(const RunState& state);

// After a refused run: closes the print file, and removes it when this run created it and it is
// still empty and still the file its name reaches.
void dropDeferredPrintFile(RunState& state, const DeferredPrintFile& print);
