#include "descriptor_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace stepquill {

namespace {

// Gathered text is written once it reaches this size; a log of one line per
// arrow then costs a system call per few thousand lines.
constexpr std::size_t kGatherBytes = 64 * 1024;

bool IsStandardOutputName(const std::string& path) {
    return path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1" ||
           path == "/proc/thread-self/fd/1" || path == "/proc/" + std::to_string(::getpid()) + "/fd/1";
}

}  // namespace

DescriptorWriter::DescriptorWriter(int descriptor) : descriptor_(descriptor), terminal_(::isatty(descriptor) == 1) {}

void DescriptorWriter::WriteText(std::string_view text) {
    if (!terminal_) {
        Write(text);
        return;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string visible;
    visible.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            visible += "\\x";
            visible += kHex[byte >> 4];
            visible += kHex[byte & 0xF];
        } else {
            visible += c;
        }
    }
    Write(visible);
}

void DescriptorWriter::Write(std::string_view text) {
    if (Failed() || closed_) return;
    pending_.append(text);
    if (pending_.size() >= kGatherBytes) Flush();
}

bool DescriptorWriter::WriteOut(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor_, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            failure_ = std::strerror(written < 0 ? errno : EIO);
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool DescriptorWriter::Flush() {
    if (!Failed() && !closed_ && !pending_.empty()) WriteOut(pending_);
    pending_.clear();
    return !Failed();
}

bool DescriptorWriter::Close() {
    Flush();
    if (closed_) return !Failed();
    closed_ = true;
    if (::close(descriptor_) != 0 && errno != EINTR && !Failed()) failure_ = std::strerror(errno);
    return !Failed();
}

bool NamesStandardOutput(const std::string& name) {
    if (name == "-") return true;
    // Follows the chain of links by their text: /dev/stdout leads to
    // /proc/self/fd/1, which leads on to whatever the shell opened.
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
        if (IsStandardOutputName(path)) return true;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return false;
        std::string next(buffer.data(), static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = std::move(next);
    }
    return false;
}

}  // namespace stepquill
