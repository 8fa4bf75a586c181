#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace stepquill::support {

// How a child process ended and what it wrote.
struct ChildRun {
    bool Finished = false;  // ended by itself before its time limit
    int ExitCode = -1;      // when it finished
    int Signal = 0;         // the signal that ended it otherwise
    std::string Output;     // standard output
    std::string Errors;     // standard error
    long PeakKilobytes = 0; // the most memory it held at once (resident)
    // "exit 1", "killed by signal 11", "no end within its time limit",
    // "an exception escaped".
    std::string Ending() const;
    // The child could not be set up: it may not give up root, or the
    // program could not be started.
    bool SetupFailed() const;
};

struct ChildOptions {
    unsigned TimeLimitSeconds = 5;
    // Root reads and writes whatever it likes; a child that gives that up
    // (and becomes nobody) meets permissions as any user would.
    bool WithoutRoot = false;
    std::filesystem::path WorkingFolder;  // empty: the current one
    // The most address space the child may take; 0 for no limit.
    std::size_t MemoryLimitBytes = 0;
    // The largest file the child may write (ulimit -f); 0 for no limit.
    std::size_t FileSizeLimitBytes = 0;
    // Standard input and output closed, as by `<&- >&-`.
    bool StandardStreamsClosed = false;
};

// The address space this process takes now, to set a child's limit by.
std::size_t AddressSpaceInUse();

// Runs a program, `arguments[0]` being its path.
ChildRun RunProgram(const std::vector<std::string>& arguments, const ChildOptions& options);

// Runs `work` in a forked copy of this process; what it returns comes back
// as the Output.
ChildRun RunInChild(const std::function<std::string()>& work, const ChildOptions& options);

}  // namespace stepquill::support
