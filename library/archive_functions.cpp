#include "archive_functions.h"

#include <dlfcn.h>

namespace stepquill {

namespace {

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

}  // namespace

std::shared_ptr<const ArchiveFunctions> ArchiveFunctions::Load(std::string& reason) {
    auto functions = std::make_shared<ArchiveFunctions>();
    functions->library_ = ::dlopen("libarchive.so.13", RTLD_NOW | RTLD_LOCAL);
    if (functions->library_ == nullptr) {
        const char* why = ::dlerror();
        reason = "cannot read archives: libarchive is not installed (" + std::string(why ? why : "") + ")";
        return nullptr;
    }
    void* library = functions->library_;
    ArchiveFunctions& f = *functions;
    const bool found =
        Find(library, "archive_read_new", f.ReadNew) &&
        Find(library, "archive_read_support_filter_all", f.SupportFilterAll) &&
        Find(library, "archive_read_support_format_all", f.SupportFormatAll) &&
        Find(library, "archive_read_open_fd", f.OpenFd) && Find(library, "archive_read_free", f.ReadFree) &&
        Find(library, "archive_error_string", f.ErrorString) &&
        Find(library, "archive_read_next_header", f.NextHeader) &&
        Find(library, "archive_read_data_skip", f.DataSkip) && Find(library, "archive_read_data", f.ReadData) &&
        Find(library, "archive_entry_pathname", f.Pathname) && Find(library, "archive_entry_filetype", f.Filetype) &&
        Find(library, "archive_entry_hardlink", f.Hardlink) &&
        Find(library, "archive_entry_is_encrypted", f.IsEncrypted) &&
        Find(library, "archive_entry_size_is_set", f.SizeIsSet) && Find(library, "archive_entry_size", f.Size);
    if (!found) {
        reason = "cannot read archives: the installed libarchive is too old";
        return nullptr;
    }
    return functions;
}

ArchiveFunctions::~ArchiveFunctions() {
    if (library_ != nullptr) ::dlclose(library_);
}

}  // namespace stepquill
