// libFuzzer target: the port list as any program might leave it. The input is written to a
// file in a scratch folder, read back as the configurator reads its list, and the port name
// taken from it. The name is only looked at, never opened: it could name a real terminal.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "link/port_list_contract.h"
#include "link/port_list_file.h"
#include "link/port_name.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using kavrel::fuzz::Require;

// A folder of this process's own, removed when the run ends normally.
struct ScratchList {
    ScratchList() {
        Require(mkdtemp(folder.data()) != nullptr, "mkdtemp failed");
        path = folder + "/listport.txt";
    }
    ~ScratchList() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder = std::filesystem::temp_directory_path() / "kavrel-fuzz-XXXXXX";
    std::string path;
};

// Whether some line (lines end at CR, LF or NUL) names a cable and has its first "(" and
// its first ")" around exactly this name.
bool SomeCableLineBrackets(std::string_view list, std::string_view name) {
    for (size_t begin = 0; begin <= list.size();) {
        const size_t end =
            std::min(list.find_first_of(std::string_view("\r\n\0", 3), begin), list.size());
        const std::string_view line = list.substr(begin, end - begin);
        const bool namesCable = line.find(kavrel::port_list::kProlificCable) != line.npos ||
                                line.find(kavrel::port_list::kCh340Cable) != line.npos;
        const size_t open = line.find('(');
        if (namesCable && open != line.npos && line.find(')') == open + 1 + name.size() &&
            line.substr(open + 1, name.size()) == name) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchList scratch;
    const std::string_view written(reinterpret_cast<const char*>(data), size);
    Require(static_cast<bool>(std::ofstream(scratch.path, std::ios::binary | std::ios::trunc)
                                  .write(written.data(), static_cast<std::streamsize>(size))),
            "cannot write the list");

    const auto list = kavrel::ReadPortList(scratch.path);
    Require(list.has_value() && *list == written, "the list read differs from the file");
    const std::string name = kavrel::PortNameFromList(*list);
    Require(name.find_first_of(std::string_view("\r\n\0)", 4)) == std::string::npos,
            "the name holds a line end, a NUL or a \")\"");
    Require(name.empty() || SomeCableLineBrackets(*list, name),
            "the name is not bracketed on a line that names a cable");
    return 0;
}
