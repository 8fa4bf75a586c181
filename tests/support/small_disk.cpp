#include "small_disk.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace stepquill::support {

std::unique_ptr<SmallDisk> SmallDisk::Mount(const std::filesystem::path& folder, std::size_t kilobytes,
                                            std::string& whyNot) {
    if (::geteuid() != 0) {
        whyNot = "mounting a small disk needs root";
        return nullptr;
    }
    const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        whyNot = std::string("cannot mount a small disk: ") + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<SmallDisk>(new SmallDisk(folder));
}

SmallDisk::~SmallDisk() {
    if (::umount(folder_.c_str()) != 0) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace stepquill::support
