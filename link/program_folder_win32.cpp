#include <windows.h>

#include "link/program_folder.h"
#include "link/utf16_win32.h"

namespace kavrel {

std::string ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            const std::string path = Utf8(std::wstring_view(buffer.data(), length));
            return path.substr(0, path.find_last_of("\\/") + 1);
        }
        buffer.resize(buffer.size() * 2);  // the path was cut: try a larger buffer
    }
}

}  // namespace kavrel
