// The process entry: a Windows program starts at WinMain, with its command
// line after the program name as one string.
#include <windows.h>

#include <string>

int main(int argc, char **argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
