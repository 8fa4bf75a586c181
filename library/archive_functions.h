#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <string>

namespace stepquill {

// The few functions of libarchive a library's reading calls, loaded when an
// archive is first opened rather than linked: a conversion of one chart,
// which may run with little memory, never maps libarchive and the large
// libraries it brings with it.
struct ArchiveFunctions {
    decltype(&archive_read_new) ReadNew = nullptr;
    decltype(&archive_read_support_filter_all) SupportFilterAll = nullptr;
    decltype(&archive_read_support_format_all) SupportFormatAll = nullptr;
    decltype(&archive_read_open_fd) OpenFd = nullptr;
    decltype(&archive_read_free) ReadFree = nullptr;
    decltype(&archive_error_string) ErrorString = nullptr;
    decltype(&archive_read_next_header) NextHeader = nullptr;
    decltype(&archive_read_data_skip) DataSkip = nullptr;
    decltype(&archive_read_data) ReadData = nullptr;
    decltype(&archive_entry_pathname) Pathname = nullptr;
    decltype(&archive_entry_filetype) Filetype = nullptr;
    decltype(&archive_entry_hardlink) Hardlink = nullptr;
    decltype(&archive_entry_is_encrypted) IsEncrypted = nullptr;
    decltype(&archive_entry_size_is_set) SizeIsSet = nullptr;
    decltype(&archive_entry_size) Size = nullptr;

    // Loads libarchive; none, with the reason, when it is not installed.
    static std::shared_ptr<const ArchiveFunctions> Load(std::string& reason);
    ~ArchiveFunctions();

private:
    void* library_ = nullptr;
};

}  // namespace stepquill
