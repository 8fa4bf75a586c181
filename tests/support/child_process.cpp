#include "child_process.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>

namespace stepquill::support {

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kSetupFailed = 125;
constexpr int kWorkThrew = 124;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// An unnamed file that the child's standard output or error goes to; it
// cannot fill up and block the child the way a pipe could.
using CaptureFile = std::unique_ptr<std::FILE, FileCloser>;

CaptureFile NewCapture() { return CaptureFile(std::tmpfile()); }

std::string ReadCapture(std::FILE* file) {
    const int descriptor = ::fileno(file);
    ::lseek(descriptor, 0, SEEK_SET);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(descriptor, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

void WriteAll(int descriptor, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t written = ::write(descriptor, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// In the child, before it does its work.
void PrepareChild(const ChildOptions& options, std::FILE* output, std::FILE* errors) {
    if (::dup2(::fileno(output), STDOUT_FILENO) < 0 || ::dup2(::fileno(errors), STDERR_FILENO) < 0)
        ::_exit(kSetupFailed);
    if (!options.WorkingFolder.empty() && ::chdir(options.WorkingFolder.c_str()) != 0)
        ::_exit(kSetupFailed);
    if (options.WithoutRoot && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        ::_exit(kSetupFailed);
    if (options.StandardStreamsClosed) {
        ::close(STDIN_FILENO);
        ::close(STDOUT_FILENO);
    }
    if (options.FileSizeLimitBytes != 0) {
        const rlimit limit{options.FileSizeLimitBytes, options.FileSizeLimitBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(kSetupFailed);
    }
    if (options.MemoryLimitBytes != 0) {
        const rlimit limit{options.MemoryLimitBytes, options.MemoryLimitBytes};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(kSetupFailed);
    }
    // The alarm outlives exec, so it also ends a program that hangs.
    ::alarm(options.TimeLimitSeconds);
}

ChildRun Run(const std::function<void()>& child, const ChildOptions& options) {
    ChildRun run;
    CaptureFile output = NewCapture();
    CaptureFile errors = NewCapture();
    if (!output || !errors) {
        run.Errors = "cannot make the capture files";
        return run;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        run.Errors = "cannot fork";
        return run;
    }
    if (pid == 0) {
        PrepareChild(options, output.get(), errors.get());
        // An exception must not carry the copy back into the test that
        // forked it, where it would go on running the other tests.
        try {
            child();
        } catch (...) {
            ::_exit(kWorkThrew);
        }
        ::_exit(0);
    }
    int status = 0;
    rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.PeakKilobytes = usage.ru_maxrss;
    run.Finished = WIFEXITED(status);
    run.ExitCode = run.Finished ? WEXITSTATUS(status) : -1;
    run.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.Output = ReadCapture(output.get());
    run.Errors = ReadCapture(errors.get());
    return run;
}

}  // namespace

std::size_t AddressSpaceInUse() {
    // The first number of /proc/self/statm is the size in pages.
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

std::string ChildRun::Ending() const {
    if (Finished && ExitCode == kWorkThrew) return "an exception escaped";
    if (Finished) return "exit " + std::to_string(ExitCode);
    if (Signal == SIGALRM) return "no end within its time limit";
    return "killed by signal " + std::to_string(Signal);
}

bool ChildRun::SetupFailed() const { return Finished && ExitCode == kSetupFailed; }

ChildRun RunProgram(const std::vector<std::string>& arguments, const ChildOptions& options) {
    return Run(
        [&] {
            std::vector<char*> argv;
            for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            // Nobody, for one, may be unable to reach the program.
            ::_exit(kSetupFailed);
        },
        options);
}

ChildRun RunInChild(const std::function<std::string()>& work, const ChildOptions& options) {
    return Run([&] { WriteAll(STDOUT_FILENO, work()); }, options);
}

}  // namespace stepquill::support
