// zulcheck: checks a disc's data the way the menu reads it.
#include <cstring>
#include <iostream>
#include <string>

#include "zulcheck/Commands.h"

namespace {

int Usage()
{
    std::cerr << "usage: zulcheck --dump SCRIPT\n"
                 "       zulcheck --list-archive FILE\n"
                 "       zulcheck --decode PICTURE\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return Usage();
    const std::string command = argv[1];
    const std::string operand = argv[2];
    if (command == "--dump")
        return RunDump(operand, std::cout, std::cerr);
    if (command == "--list-archive")
        return RunListArchive(operand, std::cout, std::cerr);
    if (command == "--decode")
        return RunDecode(operand, std::cout, std::cerr);
    return Usage();
}
