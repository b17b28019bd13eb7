#include "config/profile_file.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kavrel {

namespace {

FileWriteFault FaultOf(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system) {
        return FileWriteFault::NoPermission;
    }
    if (error == std::errc::no_space_on_device || error == std::errc::file_too_large) {
        return FileWriteFault::NoSpace;
    }
    return FileWriteFault::Failed;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), {}};
    if (!file || std::filesystem::is_directory(path)) {
        return std::nullopt;
    }
    return text;
}

FileWriteFault WriteFileAtomically(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    errno = 0;
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();  // the last block reaches the disk only here, and may not fit
    }
    const int cause = errno;
    std::error_code error;
    if (file) {
        std::filesystem::rename(temporary, path, error);
    }
    if (!file || error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return FaultOf(error ? error : std::error_code(cause, std::generic_category()));
    }
    return FileWriteFault::None;
}

}  // namespace kavrel
