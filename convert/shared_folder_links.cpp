#include "shared_folder_links.h"

#include <unistd.h>

#include <climits>
#include <deque>
#include <vector>

namespace stepquill {

namespace {

// The names of a path, in order; "." and empty names add nothing.
void PutNamesInFront(const std::string& path, std::deque<std::string>& names) {
    std::vector<std::string> split;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        if (!name.empty() && name != ".") split.push_back(name);
        start = end + 1;
    }
    names.insert(names.begin(), split.begin(), split.end());
}

// Links within links as the kernel counts them before it gives up.
constexpr int kMostLinks = 40;

}  // namespace

bool MayFollowLink(const std::string& path, const struct stat& link) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return false;
    const bool shared = (info.st_mode & S_ISVTX) != 0 && (info.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == info.st_uid;
}

bool LinksOnTheWayMayBeFollowed(const std::string& path, std::string& reason) {
    // The path is walked a name at a time, as the kernel resolves it: a
    // link's target takes its place among the names still to come, so that
    // a link met inside another link's target is judged in its own folder.
    std::string reached = !path.empty() && path.front() == '/' ? "/" : "";
    std::deque<std::string> names;
    PutNamesInFront(path, names);
    int links = 0;
    while (!names.empty()) {
        const std::string name = std::move(names.front());
        names.pop_front();
        const std::string next = reached.empty() ? name : reached.back() == '/' ? reached + name : reached + "/" + name;
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0) return true;
        if (!S_ISLNK(info.st_mode)) {
            reached = next;
            continue;
        }
        if (!MayFollowLink(next, info)) {
            reason = "the output path goes through another user's link in a shared folder (" + next + ")";
            return false;
        }
        // A chain too long is the opening's to refuse.
        if (++links > kMostLinks) return true;
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = ::readlink(next.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return true;
        const std::string target(buffer.data(), static_cast<std::size_t>(length));
        if (target.front() == '/') reached = "/";
        PutNamesInFront(target, names);
    }
    return true;
}

}  // namespace stepquill
