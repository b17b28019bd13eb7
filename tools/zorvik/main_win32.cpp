// Zorvik.exe: lists the machine's COM ports into listport.txt, one line per port,
// "DESCRIPTION (COMn)", for the configurator that starts it: beside itself when it may write
// there, else in %LOCALAPPDATA%\Kavrel (ListFolder).

#include "link/list_folder.h"
#include "link/program_folder.h"
#include "tools/zorvik/com_ports.h"
#include "tools/zorvik/port_list.h"

int main() {
    using namespace kavrel;
    const auto folder = ListFolder(ProgramFolder());
    return folder && zorvik::WritePortList(*folder, zorvik::FormatPortList(zorvik::ComPorts())) ? 0
                                                                                                : 1;
}
